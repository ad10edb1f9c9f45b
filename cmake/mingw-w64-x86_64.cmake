# Cross-compiling for 64-bit Windows with Debian's mingw-w64 compilers.
#   cmake --preset windows      (or -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
# The posix thread-model compilers are used: only they give std::thread and
# std::mutex. Executables are linked statically, so no MinGW runtime DLL has to
# be found next to them, and ctest runs them through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BM_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${BM_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${BM_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# The cross-built dependencies (scripts/windows-deps.sh; $BM_WINDOWS_DEPS,
# else build/windows-deps) come first, then the compiler's own sysroot;
# programs (cmake's helpers) are always the host's.
if(DEFINED ENV{BM_WINDOWS_DEPS})
    set(BM_WINDOWS_DEPS $ENV{BM_WINDOWS_DEPS})
else()
    get_filename_component(BM_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH ${BM_WINDOWS_DEPS} /usr/${BM_MINGW_TRIPLE})
# pkg-config looks only at the Windows libraries.
set(ENV{PKG_CONFIG_LIBDIR} ${BM_WINDOWS_DEPS}/lib/pkgconfig:/usr/${BM_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only: nothing of ours may need a DLL beside the executable
# (zlib's import library, libz.dll.a, would otherwise be taken).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
