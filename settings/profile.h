// Profile (INI) file access for integers, lists and every write. On Windows
// these are the system's GetPrivateProfileIntW, GetPrivateProfileStringW and
// WritePrivateProfileStringW; elsewhere profile_portable.cpp provides the part
// of them that this program uses (described there).
#pragma once

#include <cstdint>

// The key's value read as a decimal integer, or `defaultValue` when the file,
// the section or the key is missing or the value is empty.
int32_t profileReadInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue, const wchar_t* path);

// Copies the key's value (or `defaultValue`) into `buffer` of `size`
// characters, cut to `size` - 1 and terminated; returns the characters copied.
uint32_t profileReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                           wchar_t* buffer, uint32_t size, const wchar_t* path);

// Sets the key to `value`: in place when it exists, else at the end of its
// section, else in a new section at the end of the file. Lines end in CR LF;
// a file starting with FF FE stays UTF-16LE. False when the file could not
// be written.
bool profileWriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* path);
