#include "common/file_access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/utf8.h"

// Paths reach the file system as UTF-8, the way it names them.

FILE* openFile(const wchar_t* path, const char* mode) {
    if (!path || !mode) return nullptr;
    return std::fopen(wideToUtf8(path).c_str(), mode);
}

bool replaceFile(const wchar_t* from, const wchar_t* to) {
    if (!from || !to) return false;
    return std::rename(wideToUtf8(from).c_str(), wideToUtf8(to).c_str()) == 0;
}

bool removeFile(const wchar_t* path) {
    return path && unlink(wideToUtf8(path).c_str()) == 0;
}

bool fileExists(const wchar_t* path) {
    struct stat status;
    return path && stat(wideToUtf8(path).c_str(), &status) == 0;
}
