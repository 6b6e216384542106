// The song information dialog: the texts, length, format, track count, time
// mode and resolution of the loaded pattern or patch. It only displays.
#pragma once

#include <windows.h>

#include <cstdint>

// Opens the dialog modally over `owner` for the pattern (target 0) or the
// patch (target 1); does nothing while that song is not loaded.
void openSongInfoDialog(HWND owner, int32_t target);

// Fills the dialog's fields from the song `playerState.shell.infoTarget` names,
// holding the player's lock while it reads the song.
void fillSongInfo(HWND dialog);
