#!/usr/bin/env bash
# Builds the Windows program with its program folder (build/windows/Quillbex:
# Quillbex.exe, the three language modules, pattern/ and patch/) and starts
# it under Wine. Arguments are passed to the program (it uses none).
# Without a display it runs on a virtual one (Xvfb), which only shows that
# it starts.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
cmake --build --preset windows --target program_folder

export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
scripts/wine-prefix.sh "$WINEPREFIX"

program=build/windows/Quillbex/Quillbex.exe
if [ -n "${DISPLAY:-}" ]; then
    exec wine "$program" "$@"
fi
echo "No DISPLAY: running on a virtual display (Xvfb); close it with Ctrl+C." >&2
exec xvfb-run -a wine "$program" "$@"
