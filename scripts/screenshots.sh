#!/usr/bin/env bash
# Takes the screenshots under docs/screenshots from the real program under
# Wine on a virtual display (Xvfb), in the Wine prefix of scripts/
# wine-prefix.sh (CJK fonts, Managed=N): the main window in English,
# Japanese and Chinese, and the song information, MIDI devices, sync modes
# and language dialogs in English. The Windows-side tool take_screenshots
# drives the program and saves each window as a BMP; ImageMagick turns them
# into PNG files. Run it again after a change to the windows.
set -euo pipefail
cd "$(dirname "$0")/.."

# Only this script needs ImageMagick.
if ! dpkg-query -W -f='${Status}' imagemagick 2>/dev/null | grep -q "install ok installed"; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq imagemagick
fi

cmake --preset windows >/dev/null
cmake --build --preset windows --target program_folder take_screenshots
export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
scripts/wine-prefix.sh "$WINEPREFIX"

shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
# The wineserver ends while the virtual display still runs. Wine's sound
# driver complains on stderr that this machine has no sound card when the
# device dialog lists the MIDI devices; that noise is dropped.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    status=0
    wine "$0" "$1" "$2" 2> >(grep -v "^ALSA lib" >&2) || status=$?
    wineserver -w
    exit $status' build/windows/tools/screenshots/take_screenshots.exe "$PWD/build/windows/Quillbex" "$shots"

mkdir -p docs/screenshots
for bmp in "$shots"/*.bmp; do
    png="docs/screenshots/$(basename "${bmp%.bmp}").png"
    # No time stamps in the file, so an unchanged window gives the same PNG.
    /usr/bin/convert "$bmp" -strip -define png:exclude-chunks=date,time "$png"
    echo "$png"
done
