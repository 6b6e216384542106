// The main window's tempo controls: the own-tempo and follow-input radio
// buttons, the bpm scroll bar and the bpm text beside it.
#pragma once

#include <windows.h>

#include <cstdint>

// Shows the stored tempo and mode at start-up, once the clocks exist.
void initTempoControls(HWND window);

// WM_HSCROLL from `scrollBar`: a line is 1 bpm, a page 10, the thumb sets
// the bpm; any other code re-applies the position as it stands.
void scrollTempo(HWND window, HWND scrollBar, UINT scrollCode, int32_t thumbPosition);

// The own-tempo (13654) or follow-input (13655) radio button; other ids are
// ignored.
void chooseTempoMode(HWND window, int commandId);
