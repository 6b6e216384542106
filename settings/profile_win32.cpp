#include "settings/profile.h"

#include <windows.h>

int32_t profileReadInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue, const wchar_t* path) {
    // The UINT result carries a negative value's bits unchanged.
    return static_cast<int32_t>(GetPrivateProfileIntW(section, key, defaultValue, path));
}

uint32_t profileReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                           wchar_t* buffer, uint32_t size, const wchar_t* path) {
    return GetPrivateProfileStringW(section, key, defaultValue, buffer, size, path);
}

bool profileWriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* path) {
    return WritePrivateProfileStringW(section, key, value, path) != 0;
}
