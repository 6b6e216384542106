// SongInfoDialog: the properties of the loaded pattern or patch.
#pragma once

#include <windows.h>

#include <cstdint>

// Target 0 shows the pattern, 1 the patch; sets infoTarget and runs the
// dialog modally, owned by `owner`. Does nothing when that song is absent.
void openSongInfoDialog(HWND owner, int32_t target);
