// Places a dialog over the middle of its owner (or, for a child window, of
// its parent's client area), kept inside the work area of the owner's
// monitor (or that client area); and keeps a window without owner on the
// work area of its monitor.
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

// The position that moves the window `window` (a screen rectangle) into
// `bounds`; unchanged when it lies inside already. A window larger than the
// bounds keeps its left (top) edge inside.
Placement placementWithin(const RECT& window, const RECT& bounds);

// The work area (the screen less the task bar) of the monitor that holds
// most of `window`, or the nearest one.
RECT monitorWorkArea(HWND window);

// Moves `window` onto its monitor's work area without resizing it: at a high
// DPI setting a dialog can come out larger or further out than the screen.
void keepOnWorkArea(HWND window);
