# Settings every target of ours shares: the language level, the warnings and,
# in the test build, the sanitizers.

# Compiles go through ccache when it is installed (and no launcher is chosen
# already). Paths under the source folder are hashed relative to it and the
# working folder not at all, so a clone in another folder reuses the objects
# an earlier build of the same sources left in the cache.
if(NOT DEFINED CMAKE_CXX_COMPILER_LAUNCHER AND NOT DEFINED ENV{CMAKE_CXX_COMPILER_LAUNCHER})
    find_program(BM_CCACHE ccache)
    if(BM_CCACHE)
        set(bm_launcher env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${BM_CCACHE})
        set(CMAKE_C_COMPILER_LAUNCHER ${bm_launcher})
        set(CMAKE_CXX_COMPILER_LAUNCHER ${bm_launcher})
    endif()
endif()

if(BM_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    # The programs are linked at a fixed address: a position-independent one
    # spends half its start applying relocations to the sanitizers' tables
    # (about 1.8 million in a test program), and ctest starts a program for
    # every test.
    string(APPEND CMAKE_EXE_LINKER_FLAGS " -no-pie")
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

# The Windows build's tests run through wine (slow to start on a busy
# machine) and are told apart by the prefix "win.".
if(WIN32)
    set(BM_TEST_PREFIX "win.")
else()
    set(BM_TEST_PREFIX "")
endif()

# The sanitizer options every sanitized test program starts with
# (tests/support/SanitizerDefaults.cpp says why).
function(bm_sanitizer_defaults target)
    if(BM_SANITIZE)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/SanitizerDefaults.cpp)
    endif()
endfunction()

# bm_add_test(core engine_core SOURCES a.cpp LIBS extra WINDOWS_SKIP Suite.Test)
# One GoogleTest executable per library; every test name carries the group
# prefix. WINDOWS_SKIP names tests of things Windows does differently (tools
# of the Linux machine, its file names and error texts), left out there.
#
# WINDOWS_DESKTOP marks tests that show windows: under wine every process
# shares one desktop, where a new window takes the focus from the others'
# (which then stop updating), so these run one at a time there.
function(bm_add_test group library)
    cmake_parse_arguments(ARG "WINDOWS_DESKTOP" "" "SOURCES;LIBS;WINDOWS_SKIP" ${ARGN})
    set(exe test_${library})
    add_executable(${exe} ${ARG_SOURCES})
    target_link_libraries(${exe} PRIVATE ${library} bm_test_support ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    # BM_SOURCE_DIR, the source folder, comes from one function of the
    # support library, so the tests' own objects do not depend on where the
    # clone is.
    target_compile_options(${exe} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/TestSourceDir.h)
    bm_sanitizer_defaults(${exe})
    bm_warnings(${exe})
    set(lock "")
    if(WIN32 AND ARG_WINDOWS_DESKTOP)
        set(lock RESOURCE_LOCK desktop)
    endif()
    set(filter "*")
    if(WIN32 AND ARG_WINDOWS_SKIP)
        list(JOIN ARG_WINDOWS_SKIP ":" skipped)
        set(filter "-${skipped}")
    endif()
    gtest_discover_tests(${exe} TEST_PREFIX "${BM_TEST_PREFIX}${group}." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         TEST_FILTER "${filter}"
                         WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                         # One value per property: the discovery step splits a
                         # list value into separate arguments and loses the rest.
                         PROPERTIES ENVIRONMENT_MODIFICATION "SDL_VIDEODRIVER=set:offscreen"
                                    ENVIRONMENT "ALSOFT_DRIVERS=null"
                                    ${lock})
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
    # "fuzzers" builds the targets and only the libraries they link.
    if(NOT TARGET fuzzers)
        add_custom_target(fuzzers)
    endif()
    add_dependencies(fuzzers ${name})
endfunction()
