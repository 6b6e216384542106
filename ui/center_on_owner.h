// Places a dialog over the middle of its owner (or, for a child window, of
// its parent's client area), kept inside the work area (or that client
// area).
#pragma once

#include <windows.h>

struct Placement {
    int x;
    int y;
};

// The position of a window of size w x h centred on `reference` and then
// clamped into `bounds`: the left (top) clamp first, the right (bottom)
// clamp only when the first does not apply, so a window larger than the
// bounds keeps its left (top) edge inside.
Placement centeredPlacement(const RECT& reference, const RECT& bounds, int w, int h);

// Moves `window` there without resizing, activating or changing its Z
// order; does nothing without a parent or owner.
void centerOnOwner(HWND window);
