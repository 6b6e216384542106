// A window as it shows on the screen, saved as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <filesystem>

// Copies the window's screen area, frame and title bar included, from the
// screen (so whatever covers it is in the picture too) into `file`. False
// when the window has no area or the file cannot be written.
bool captureWindow(HWND window, const std::filesystem::path& file);
