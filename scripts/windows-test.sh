#!/usr/bin/env bash
# Cross-builds the game and the engine's tests for 64-bit Windows and runs
# them through wine on a private X server:
#
#   bash scripts/windows-test.sh [ctest arguments...]
#
# Only the tests of the code that is not the same on both systems are built
# and run: the platform layer, files, sound, the window device, the video
# drivers, the game program and its screens. BM_WINDOWS_TESTS=all builds and
# runs every test; ctest arguments (a -R of their own) choose among those
# built.
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

groups="platform|io|sound|device|video|app|screens"
targets=(brindlemoor test_engine_platform test_engine_io test_engine_sound test_engine_device test_engine_video
    test_engine_video_gl21 test_game_app test_game_screens)
selection=(-R "^win\.($groups)\.")
if [ "${BM_WINDOWS_TESTS:-}" = all ]; then
    targets=(all)
    selection=()
fi

bash scripts/windows-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target "${targets[@]}"

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
    exec 9>&- 2>/dev/null || true
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
# The desktop (wine's explorer) closes ten seconds after its last program
# ends, and the next program with a window starts it again, handing it its
# own output: ctest would then wait for that pipe to close after every such
# test. A console program waiting on a pipe of ours keeps the desktop up
# for the whole run (the prefix made first), and ends when the pipe closes.
keeper="$build/desktop-keeper"
rm -f "$keeper"
mkfifo "$keeper"
wine cmd.exe <"$keeper" >>"$log" 2>&1 &
exec 9>"$keeper"
# Each test's application-data folders: the prefix takes the user's and the
# shared one from XDG_DATA_HOME and XDG_CONFIG_HOME, which the game's tests
# set to folders of their own as they do on Linux; the rest use these.
appdata="$build/appdata"
mkdir -p "$appdata/user" "$appdata/common"
export XDG_DATA_HOME="Z:${appdata//\//\\}\\user" XDG_CONFIG_HOME="Z:${appdata//\//\\}\\common"
shell_folders='Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
wine reg add "HKCU\\$shell_folders" /v AppData /t REG_EXPAND_SZ /d '%XDG_DATA_HOME%' /f >>"$log" 2>&1
wine reg add "HKLM\\$shell_folders" /v 'Common AppData' /t REG_EXPAND_SZ /d '%XDG_CONFIG_HOME%' /f >>"$log" 2>&1
# Windows the X server shows without a window manager: wine then waits for
# none to take or drop them (two seconds for every shown window it destroys).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1

# A second try for a test that fails: wine now and then fails to start a
# process on a loaded machine.
status=0
ctest --preset windows -j "$jobs" --repeat until-pass:2 "${selection[@]}" "$@" || status=$?
exit $status
