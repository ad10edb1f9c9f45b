#!/usr/bin/env bash
# Cross-builds the engine's tests for 64-bit Windows and runs them through wine
# on a private X server:
#
#   bash scripts/windows-test.sh [ctest arguments...]
#
# The libraries come from scripts/windows-deps.sh (kept between runs). Wine
# gets its own prefix in the build folder; the X server and the wineserver
# are started here and stopped by their process ids, the wineserver first.
# Wine's output goes to files, never into a pipe: a helper it leaves running
# would keep the pipe open.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

bash scripts/windows-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

build="$root/build/windows"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
log="$build/wine.log"
: >"$log"

# A display number no other server holds.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >>"$log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
wineserver_pid=""

stop() {
    if [ -n "$wineserver_pid" ]; then
        wineserver -k >>"$log" 2>&1 || true
        wineserver -w >>"$log" 2>&1 || true
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap stop EXIT

for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done

# One persistent wineserver for every test; the prefix is made once.
mkdir -p "$WINEPREFIX"
wineserver -p >>"$log" 2>&1
wineserver_pid=started
# Started here, with the output to the log, the prefix's own processes
# (services, explorer) hold no pipe of ctest's open.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init >>"$log" 2>&1
else
    wine wineboot >>"$log" 2>&1
fi

# A second try for a test that fails: wine now and then fails to start a
# process on a loaded machine.
status=0
ctest --preset windows -j "$jobs" --repeat until-pass:2 "$@" || status=$?
exit $status
