# The program the single-instance and crash-handler tests start as a child
# process; the tests find it through BM_CORE_TEST_HELPER.
add_executable(core_test_helper CoreTestHelper.cpp)
target_link_libraries(core_test_helper PRIVATE engine_core)
bm_warnings(core_test_helper)
add_dependencies(test_engine_core core_test_helper)
target_compile_definitions(test_engine_core PRIVATE BM_CORE_TEST_HELPER="$<TARGET_FILE:core_test_helper>")
