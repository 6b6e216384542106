// Opening, replacing and removing files by wide path, the same way on every
// platform: Windows takes the UTF-16 path as it is, elsewhere it is turned
// into UTF-8 first.
#pragma once

#include <cstdio>

// fopen with a wide path; `mode` is an fopen mode such as "rb" or "wb".
// Null when the file cannot be opened (also for a null path).
FILE* openFile(const wchar_t* path, const char* mode);

// Puts `from` in the place of `to` in one step, replacing an existing `to`.
// False when it failed; `to` is then as it was.
bool replaceFile(const wchar_t* from, const wchar_t* to);

// Deletes a file (never a folder); false when it is not there or cannot be
// deleted.
bool removeFile(const wchar_t* path);

// True when something (a file or a folder) exists at `path`.
bool fileExists(const wchar_t* path);
