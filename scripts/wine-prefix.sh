#!/usr/bin/env bash
# Creates the Wine prefix PREFIX if it does not exist yet and sets it up for
# the Windows tests: wine-prefix.sh PREFIX
#
# - X11 Driver Managed=N: without a window manager Wine otherwise waits two
#   seconds each time a window is hidden or closed.
# - Japanese and Chinese dialog fonts ("MS UI Gothic", "SimSun") replaced by
#   the Noto CJK fonts, and CJK-capable caption and message box fonts, so the
#   Japanese and Chinese language modules show their texts instead of boxes.
# - Wine's own .ttf fonts (Tahoma, Marlett, ...) copied into the prefix:
#   Debian's Wine leaves them out, and "MS Shell Dlg" resolves to Tahoma.
# - Drivers Audio names the tests' stand-in MIDI driver first, then Wine's
#   default list: a process with winequillbexstandin.drv beside its program
#   gets that as its MIDI hardware; any other finds no such file and loads
#   Wine's usual drivers as before.
#
# Quick when the prefix is already set up: a stamp file records the settings
# version, and nothing runs while it matches.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 PREFIX" >&2
    exit 2
fi
mkdir -p "$1"
WINEPREFIX=$(cd "$1" && pwd)
export WINEPREFIX
export WINEDEBUG=-all

settings_version=2
stamp="$WINEPREFIX/.quillbex-prefix"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$settings_version" ]; then
    exit 0
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once)..."
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
fi

# REG_BINARY hex of a LOGFONTW: height, weight, face name (32 UTF-16 units).
logfont_hex() {
    local height=$1 weight=$2 face=$3 bytes=() i c
    le32() { local v=$(( $1 & 0xffffffff ));
             printf '%02x,%02x,%02x,%02x' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255)); }
    bytes+=("$(le32 "$height")" "$(le32 0)" "$(le32 0)" "$(le32 0)" "$(le32 "$weight")")
    # italic, underline, strike-out, DEFAULT_CHARSET, precisions, quality, pitch
    bytes+=("00,00,00,01,00,00,00,00")
    for ((i = 0; i < 32; i++)); do
        if [ $i -lt ${#face} ]; then
            printf -v c '%02x,00' "'${face:$i:1}"
        else
            c="00,00"
        fi
        bytes+=("$c")
    done
    local IFS=,
    echo "${bytes[*]}"
}

reg_file="$WINEPREFIX/quillbex-settings.reg"
cat >"$reg_file" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Audio"="quillbexstandin,pulse,alsa,oss,coreaudio"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"MS UI Gothic"="Noto Sans CJK JP"
"SimSun"="Noto Sans CJK SC"

[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]
"CaptionFont"=hex:$(logfont_hex -12 700 "Noto Sans CJK JP")
"SmCaptionFont"=hex:$(logfont_hex -12 700 "Noto Sans CJK JP")
"MessageFont"=hex:$(logfont_hex -12 400 "Noto Sans CJK JP")
EOF
wine regedit /S "$reg_file" >/dev/null 2>&1
rm -f "$reg_file"

fonts_dir="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts_dir"
for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] || continue
    [ -e "$fonts_dir/${font##*/}" ] || cp "$font" "$fonts_dir/"
done

wineserver -w || true
echo "$settings_version" >"$stamp"
