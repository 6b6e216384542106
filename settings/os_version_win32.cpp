#include "settings/os_version.h"

#include <windows.h>

#ifdef _MSC_VER
#pragma warning(disable : 4996)  // GetVersionExW is marked deprecated
#endif

OsVersion currentOsVersion() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    OsVersion version;
    if (GetVersionExW(&info)) {
        version.major = static_cast<int>(info.dwMajorVersion);
        version.minor = static_cast<int>(info.dwMinorVersion);
    }
    return version;
}
