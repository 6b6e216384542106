#include "settings/os_version.h"

OsVersion currentOsVersion() {
    return OsVersion{};
}
