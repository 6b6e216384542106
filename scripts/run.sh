#!/usr/bin/env bash
# Builds the Windows program with its program folder (build/windows/Quillbex:
# Quillbex.exe, the three language modules, pattern/ and patch/) and starts
# it under Wine.
#
# Without a display (no DISPLAY: a server, a container, CI) it shows the
# program at work instead: on a virtual display (Xvfb) the MIDI monitor
# starts it with the loop-back ports, presses Start on the first demo
# pattern, prints the MIDI it sends, presses Stop and closes the window.
#
#   scripts/run.sh [--seconds N]   (without a display: play N seconds, 10 by default)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=10
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) [ $# -ge 2 ] || { echo "usage: $0 [--seconds N]" >&2; exit 2; }
                   seconds=$2; shift 2 ;;
        *) echo "usage: $0 [--seconds N]" >&2; exit 2 ;;
    esac
done

export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
program_folder="$PWD/build/windows/Quillbex"
cmake --preset windows >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    cmake --build --preset windows --target program_folder
    scripts/wine-prefix.sh "$WINEPREFIX"
    exec wine "$program_folder/Quillbex.exe"
fi

cmake --build --preset windows --target program_folder midi_monitor
scripts/wine-prefix.sh "$WINEPREFIX"
echo "No DISPLAY: Quillbex runs on a virtual display (Xvfb), played by the MIDI monitor."
# The wineserver ends inside the virtual display's lifetime, so no Wine
# process is left behind without its display.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    status=0
    wine "$0" --seconds "$1" "$2" || status=$?
    wineserver -w
    exit $status' build/windows/tools/midi_monitor/midi_monitor.exe "$seconds" "$program_folder"
