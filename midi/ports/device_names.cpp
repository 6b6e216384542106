#include "midi/ports/device_names.h"

#include <algorithm>

std::wstring numberedDeviceName(const std::vector<std::wstring>& driverNames, int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(driverNames.size())) return {};
    const std::wstring& name = driverNames[static_cast<size_t>(index)];
    const auto before = driverNames.begin() + index;
    const auto sameNameBefore = std::count(driverNames.begin(), before, name);
    if (sameNameBefore == 0) return name;
    return name + L" #" + std::to_wstring(sameNameBefore + 1);
}
