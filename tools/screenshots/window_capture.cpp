#include "tools/screenshots/window_capture.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace {

struct ScreenCopy {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rows;  // bottom-up, each padded to 4 bytes
};

bool copyFromScreen(const RECT& area, ScreenCopy& copy) {
    copy.width = area.right - area.left;
    copy.height = area.bottom - area.top;
    if (copy.width <= 0 || copy.height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, copy.width, copy.height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    bool ok = BitBlt(memory, 0, 0, copy.width, copy.height, screen, area.left, area.top, SRCCOPY) != 0;
    SelectObject(memory, previous);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = copy.width;
    info.bmiHeader.biHeight = copy.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(copy.width) * 3 + 3) & ~size_t(3);
    copy.rows.assign(stride * copy.height, 0);
    ok = ok && GetDIBits(memory, bitmap, 0, copy.height, copy.rows.data(), &info, DIB_RGB_COLORS) == copy.height;

    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool writeBmp(const ScreenCopy& copy, const std::filesystem::path& file) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = copy.width;
    header.biHeight = copy.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(copy.rows.size());
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + header.biSizeImage;

    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(copy.rows.data()), static_cast<std::streamsize>(copy.rows.size()));
    return static_cast<bool>(out);
}

}  // namespace

bool captureWindow(HWND window, const std::filesystem::path& file) {
    RECT area = {};
    ScreenCopy copy;
    return GetWindowRect(window, &area) && copyFromScreen(area, copy) && writeBmp(copy, file);
}
