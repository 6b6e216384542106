#!/bin/sh
# Runs a Windows executable under Wine: wine-run.sh PREFIX PROGRAM ARGS...
# The prefix lives in the build tree; Wine's debug chatter is silenced.
WINEPREFIX=${WINEPREFIX:-$1}
shift
export WINEPREFIX
export WINEDEBUG=-all
exec wine "$@"
