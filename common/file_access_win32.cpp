#include "common/file_access.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

FILE* openFile(const wchar_t* path, const char* mode) {
    if (!path || !mode) return nullptr;
    wchar_t wideMode[8] = {};
    for (int i = 0; i < 7 && mode[i]; ++i) wideMode[i] = static_cast<wchar_t>(mode[i]);
    return _wfopen(path, wideMode);
}

bool replaceFile(const wchar_t* from, const wchar_t* to) {
    // Write-through: the call returns only once the new name is on the disk,
    // so a power cut cannot leave the program without its settings.
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const wchar_t* path) {
    return path && DeleteFileW(path) != 0;
}

bool fileExists(const wchar_t* path) {
    return path && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}
