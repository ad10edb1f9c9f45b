# Settings every target of ours shares: the language level, the warnings and,
# in the test build, the sanitizers.

if(BM_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(BM_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "The fuzz build needs clang: cmake --preset fuzz")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

function(bm_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        # GCC 12 reports its own std::string concatenation as overlapping
        # copies when optimising (GCC bug 105651).
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

# bm_add_library(engine_core SOURCES a.cpp b.cpp)
# One static library per folder group; headers are included root-relative.
function(bm_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    bm_warnings(${name})
endfunction()

# bm_add_test(core engine_core SOURCES a.cpp LIBS extra)
# One GoogleTest executable per library; every test name carries the group prefix.
function(bm_add_test group library)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    set(exe test_${library})
    add_executable(${exe} ${ARG_SOURCES})
    target_link_libraries(${exe} PRIVATE ${library} bm_test_support ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${exe} PRIVATE BM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    bm_warnings(${exe})
    # The Windows build's tests run through wine and are told apart as "win.".
    set(prefix "${group}.")
    if(WIN32)
        set(prefix "win.${group}.")
    endif()
    gtest_discover_tests(${exe} TEST_PREFIX "${prefix}" DISCOVERY_MODE PRE_TEST
                         WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                         PROPERTIES ENVIRONMENT_MODIFICATION
                             "SDL_VIDEODRIVER=set:offscreen$<SEMICOLON>ALSOFT_DRIVERS=set:null")
endfunction()

# bm_add_bench(bench_core engine_core SOURCES a.cpp)
function(bm_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
    bm_warnings(${name})
endfunction()

# bm_add_fuzzer(fuzz_zip SOURCES a.cpp LIBS engine_io)
function(bm_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    bm_warnings(${name})
endfunction()
