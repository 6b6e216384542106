// Devices that share a name: some interfaces call every port alike ("USB
// MIDI cable" four times), and WinMM cuts names to 31 characters. Each is
// listed, stored and opened by its own name: the first keeps the plain name,
// the second reads "USB MIDI cable #2", and so on, so a stored plain name
// still opens the first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The listed name of device `index` among `driverNames` (the names the
// driver reports, in device order); empty for an index out of range.
std::wstring numberedDeviceName(const std::vector<std::wstring>& driverNames, int32_t index);
