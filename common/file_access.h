// Opening, replacing and removing files by wide path, the same way on every
// platform: Windows takes the UTF-16 path as it is, elsewhere it is turned
// into UTF-8 first.
#pragma once

#include <cstdio>

// fopen with a wide path; `mode` is an fopen mode such as "rb" or "wb".
// Null when the file cannot be opened (also for a null path).
FILE* openFile(const wchar_t* path, const char* mode);

// Puts `from` in the place of `to` in one step, replacing an existing `to`,
// once `from` is on the disk. The replaced file's permissions (on Windows
// its attributes and security too) pass to the new one. False when it
// failed; `to` is then as it was, or gone (a Windows replace can fail after
// removing it), and `from` keeps its name.
bool replaceFile(const wchar_t* from, const wchar_t* to);

// Tests put a replace that fails in a chosen way in place of the real one;
// nullptr puts the real one back.
using ReplaceFileFunction = bool (*)(const wchar_t* from, const wchar_t* to);
void setReplaceFileFunction(ReplaceFileFunction function);

// True when `path` is a symbolic link, or a file with more than one name
// (hard links): putting another file in its place would cut it off from
// what it is linked to, so such a file is only rewritten in place.
bool isLinkedFile(const wchar_t* path);

// Deletes a file (never a folder); false when it is not there or cannot be
// deleted.
bool removeFile(const wchar_t* path);

// True when something (a file or a folder) exists at `path`.
bool fileExists(const wchar_t* path);

// True when a file (not a folder) exists at `path`.
bool isPlainFile(const wchar_t* path);
