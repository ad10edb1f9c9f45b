#!/usr/bin/env bash
# Cross-builds the libraries the engine and its tests link for 64-bit
# Windows, as static archives, from Debian's source packages (libpng,
# libjpeg-turbo, libogg, libvorbis, pugixml) and from Debian's GoogleTest
# sources, into one prefix:
#
#   bash scripts/windows-deps.sh [PREFIX]     (default build/windows-deps, see below)
#
# zlib comes from Debian's libz-mingw-w64-dev. The sources are fetched with a
# private deb-src list, so the system's apt configuration stays as it is. A
# finished prefix is kept: a second run with the same script does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

toolchain="$root/cmake/mingw-w64-x86_64.cmake"
script_hash=$(cat "$0" "$toolchain" | sha256sum | cut -d' ' -f1)

# Without a PREFIX the libraries are made once per version of this script in
# the user's cache folder, and build/windows-deps names them: a fresh clone
# finds them there. A lock keeps two builds from making them at once.
if [ $# -eq 0 ]; then
    cache="${XDG_CACHE_HOME:-$HOME/.cache}/brindlemoor"
    mkdir -p "$cache" build
    exec 8>"$cache/windows-deps.lock"
    flock 8
    prefix="$cache/windows-deps-$script_hash"
    [ -L build/windows-deps ] || rm -rf build/windows-deps build/windows-deps.work
    ln -sfn "$prefix" build/windows-deps
else
    prefix=$(realpath -m "$1")
fi
work="$prefix.work"
stamp="$prefix/.built"

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$script_hash" ]; then
    echo "Windows libraries are up to date in $prefix"
    exit 0
fi
rm -rf "$prefix" "$work"
mkdir -p "$prefix" "$work/apt/lists/partial"

# deb-src lines for the archives and suites the machine's deb lines name (not the
# security archive, whose pool does not always hold the sources it lists).
apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(CODENAME)' |
    awk '$1 == "deb" && $3 !~ /-security$/ { print "deb-src " $2 " " $3 " main" }' | sort -u >"$work/apt/sources.list"
[ -s "$work/apt/sources.list" ] || {
    echo "No Debian archive is configured for apt"
    exit 1
}
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$work/apt/lists" -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")
apt-get "${apt_options[@]}" update >"$work/apt-update.log" 2>&1 || {
    cat "$work/apt-update.log"
    exit 1
}

# Downloads and unpacks source package $1 into $work/src/$1.
fetch() {
    mkdir -p "$work/download/$1" "$work/src"
    (cd "$work/download/$1" && apt-get "${apt_options[@]}" source --download-only "$1" >/dev/null)
    local dsc
    dsc=$(ls "$work/download/$1"/*.dsc | head -n 1)
    dpkg-source --no-check --skip-patches -x "$dsc" "$work/src/$1" >/dev/null
}

jobs=$(nproc)
# Configures, builds and installs the CMake project in $1 with extra options.
cmake_install() {
    local source=$1
    shift
    local build="$work/build/$(basename "$source")"
    mkdir -p "$work/build"
    cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" >"$build.log" 2>&1 &&
        cmake --build "$build" -j "$jobs" >>"$build.log" 2>&1 &&
        cmake --install "$build" >>"$build.log" 2>&1 || {
        tail -n 40 "$build.log"
        echo "Cross-build of $(basename "$source") failed (log: $build.log)"
        exit 1
    }
}
export BM_WINDOWS_DEPS="$prefix"

for package in libpng1.6 libjpeg-turbo libogg libvorbis pugixml; do
    fetch "$package"
done

cmake_install "$work/src/libogg" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
cmake_install "$work/src/libvorbis" -DOGG_INCLUDE_DIR="$prefix/include" -DOGG_LIBRARY="$prefix/lib/libogg.a" \
    -DBUILD_TESTING=OFF
cmake_install "$work/src/libpng1.6" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON
cmake_install "$work/src/libjpeg-turbo" -DWITH_SIMD=OFF -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
cmake_install "$work/src/pugixml" -DPUGIXML_BUILD_TESTS=OFF
cmake_install /usr/src/googletest -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF

rm -rf "$work"
echo "$script_hash" >"$stamp"
echo "Windows libraries built in $prefix"
