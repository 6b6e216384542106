#include "common/file_access.h"

#include <fcntl.h>
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

namespace {

ReplaceFileFunction replaceFunction = nullptr;

// The file's bytes on the disk, not only in the system's cache: a power cut
// after the rename then finds the new file whole, not empty.
bool flushToDisk(const std::string& path) {
    const int file = open(path.c_str(), O_RDONLY);
    if (file < 0) return false;
    const bool flushed = fsync(file) == 0;
    close(file);
    return flushed;
}

}  // namespace

void setReplaceFileFunction(ReplaceFileFunction function) {
    replaceFunction = function;
}

bool replaceFile(const wchar_t* from, const wchar_t* to) {
    if (replaceFunction) return replaceFunction(from, to);
    if (!from || !to) return false;
    const std::string fromPath = wideToUtf8(from);
    const std::string toPath = wideToUtf8(to);
    if (!flushToDisk(fromPath)) return false;
    // The new file gets the old one's mode and, where allowed, its owner;
    // a failed chown leaves the new file owned by whoever saves it.
    struct stat old;
    if (stat(toPath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (chmod(fromPath.c_str(), old.st_mode & 07777) != 0) return false;
        if (chown(fromPath.c_str(), old.st_uid, old.st_gid) != 0) {
            // Not ours to give away: keep our own owner.
        }
    }
    return std::rename(fromPath.c_str(), toPath.c_str()) == 0;
}

bool isLinkedFile(const wchar_t* path) {
    struct stat status;
    if (!path || lstat(wideToUtf8(path).c_str(), &status) != 0) return false;
    return S_ISLNK(status.st_mode) || (S_ISREG(status.st_mode) && status.st_nlink > 1);
}

bool removeFile(const wchar_t* path) {
    return path && unlink(wideToUtf8(path).c_str()) == 0;
}

bool fileExists(const wchar_t* path) {
    struct stat status;
    return path && stat(wideToUtf8(path).c_str(), &status) == 0;
}

bool isPlainFile(const wchar_t* path) {
    struct stat status;
    return path && stat(wideToUtf8(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}
