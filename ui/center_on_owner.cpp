#include "ui/center_on_owner.h"

#include <algorithm>

namespace {

int clampStart(int start, int size, LONG low, LONG high) {
    if (start < low) return low;
    if (start + size > high) return high - size;
    return start;
}

}  // namespace

Placement centeredPlacement(const RECT& reference, const RECT& bounds, int w, int h) {
    // C++ division truncates toward zero, as the placement wants.
    int x = (reference.left + reference.right) / 2 - w / 2;
    int y = (reference.top + reference.bottom) / 2 - h / 2;
    return {clampStart(x, w, bounds.left, bounds.right), clampStart(y, h, bounds.top, bounds.bottom)};
}

void centerOnOwner(HWND window) {
    RECT outer;
    if (!GetWindowRect(window, &outer)) return;
    int w = outer.right - outer.left;
    int h = outer.bottom - outer.top;

    RECT reference;
    RECT bounds;
    if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) {
        HWND parent = GetParent(window);
        if (!parent || !GetClientRect(parent, &bounds)) return;
        reference = bounds;
    } else {
        HWND owner = GetWindow(window, GW_OWNER);
        if (!owner || !GetWindowRect(owner, &reference)) return;
        bounds = monitorWorkArea(owner);
    }
    Placement place = centeredPlacement(reference, bounds, w, h);
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Placement placementWithin(const RECT& window, const RECT& bounds) {
    // The far edge first, then the near one: a window larger than the
    // bounds keeps its caption and its left edge on the screen.
    auto within = [](LONG start, LONG size, LONG low, LONG high) {
        return static_cast<int>(std::max(low, std::min(start, high - size)));
    };
    return {within(window.left, window.right - window.left, bounds.left, bounds.right),
            within(window.top, window.bottom - window.top, bounds.top, bounds.bottom)};
}

RECT monitorWorkArea(HWND window) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

void keepOnWorkArea(HWND window) {
    RECT outer;
    if (!GetWindowRect(window, &outer)) return;
    const Placement place = placementWithin(outer, monitorWorkArea(window));
    if (place.x == outer.left && place.y == outer.top) return;
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
