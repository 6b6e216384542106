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

namespace {

ReplaceFileFunction replaceFunction = nullptr;

// The file's bytes on the disk, not only in the system's cache: a power cut
// after the replace then finds the new file whole, not empty.
bool flushToDisk(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed;
}

// Write-through: the call returns only once the new name is on the disk.
bool moveInPlace(const wchar_t* from, const wchar_t* to) {
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

void setReplaceFileFunction(ReplaceFileFunction function) {
    replaceFunction = function;
}

bool replaceFile(const wchar_t* from, const wchar_t* to) {
    if (replaceFunction) return replaceFunction(from, to);
    if (!from || !to || !flushToDisk(from)) return false;
    const DWORD attributes = GetFileAttributesW(to);
    if (attributes == INVALID_FILE_ATTRIBUTES) return moveInPlace(from, to);
    // A folder is never replaced by a file (Wine's ReplaceFileW would).
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    // ReplaceFileW keeps the old file's attributes, security and creation
    // time, which a rename would lose.
    if (ReplaceFileW(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return true;
    // Without a backup name, a replace that could not rename the new file
    // has already removed the old one: the new file still has to move.
    return !fileExists(to) && moveInPlace(from, to);
}

bool isLinkedFile(const wchar_t* path) {
    if (!path) return false;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information = {};
    const bool linked = GetFileInformationByHandle(file, &information) && information.nNumberOfLinks > 1;
    CloseHandle(file);
    return linked;
}

bool removeFile(const wchar_t* path) {
    return path && DeleteFileW(path) != 0;
}

bool fileExists(const wchar_t* path) {
    return path && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool isPlainFile(const wchar_t* path) {
    const DWORD attributes = path ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
