// The port registry: names resolve to virtual ports first and to the
// system's devices second; listings show the system's devices first.
#include "midi/ports/midi_io.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "common/bounded_copy.h"
#include "midi/ports/port_backend.h"
#include "midi/ports/port_message.h"

namespace {

bool isNoDevice(const wchar_t* name) {
    return name == nullptr || name[0] == L'\0' || std::wcscmp(name, L"(None)") == 0;
}

using CountFunction = int32_t (*)();
using NameFunction = bool (*)(int32_t, std::wstring*);

void appendNames(std::vector<std::wstring>* names, CountFunction count, NameFunction nameOf) {
    const int32_t n = count();
    std::wstring name;
    for (int32_t i = 0; i < n; ++i) {
        // A virtual port shadows a system device of its name: listed once.
        if (nameOf(i, &name) && std::find(names->begin(), names->end(), name) == names->end()) {
            names->push_back(name);
        }
    }
}

std::vector<std::wstring> inputNames() {
    std::vector<std::wstring> names;
    if (const MIDIPortBackend* system = systemPortBackend()) {
        appendNames(&names, system->inputCount, system->inputName);
    }
    appendNames(&names, virtualPortBackend().inputCount, virtualPortBackend().inputName);
    return names;
}

std::vector<std::wstring> outputNames() {
    std::vector<std::wstring> names;
    if (const MIDIPortBackend* system = systemPortBackend()) {
        appendNames(&names, system->outputCount, system->outputName);
    }
    appendNames(&names, virtualPortBackend().outputCount, virtualPortBackend().outputName);
    return names;
}

int32_t copyName(const std::vector<std::wstring>& names, int32_t index, wchar_t* buffer,
                 int32_t size) {
    if (buffer == nullptr || size < 1) return 0;
    buffer[0] = L'\0';
    if (index < 0 || index >= static_cast<int32_t>(names.size())) return 0;
    const std::wstring& name = names[static_cast<size_t>(index)];
    return static_cast<int32_t>(copyTruncated(buffer, static_cast<size_t>(size), name));
}

}  // namespace

int32_t MIDIIn_GetDeviceNum() {
    return static_cast<int32_t>(inputNames().size());
}

int32_t MIDIOut_GetDeviceNum() {
    return static_cast<int32_t>(outputNames().size());
}

int32_t MIDIIn_GetDeviceNameW(int32_t index, wchar_t* buffer, int32_t size) {
    return copyName(inputNames(), index, buffer, size);
}

int32_t MIDIOut_GetDeviceNameW(int32_t index, wchar_t* buffer, int32_t size) {
    return copyName(outputNames(), index, buffer, size);
}

MIDIIn* MIDIIn_OpenW(const wchar_t* deviceName) {
    if (isNoDevice(deviceName)) return nullptr;
    MIDIIn* port = virtualPortBackend().openInput(deviceName);
    const MIDIPortBackend* system = systemPortBackend();
    if (port == nullptr && system != nullptr) port = system->openInput(deviceName);
    if (port != nullptr) holdFineTimer();
    return port;
}

MIDIOut* MIDIOut_OpenW(const wchar_t* deviceName) {
    if (isNoDevice(deviceName)) return nullptr;
    MIDIOut* port = virtualPortBackend().openOutput(deviceName);
    const MIDIPortBackend* system = systemPortBackend();
    if (port == nullptr && system != nullptr) port = system->openOutput(deviceName);
    if (port != nullptr) holdFineTimer();
    return port;
}

MIDIIn* MIDIIn_ReopenW(MIDIIn* current, const wchar_t* deviceName) {
    MIDIIn_Close(current);
    return MIDIIn_OpenW(deviceName);
}

MIDIOut* MIDIOut_ReopenW(MIDIOut* current, const wchar_t* deviceName) {
    MIDIOut_Close(current);
    return MIDIOut_OpenW(deviceName);
}

int32_t MIDIIn_Close(MIDIIn* port) {
    if (port == nullptr) return 0;
    delete port;
    releaseFineTimer();
    return 1;
}

int32_t MIDIOut_Close(MIDIOut* port) {
    if (port == nullptr) return 0;
    delete port;
    releaseFineTimer();
    return 1;
}

int32_t MIDIIn_GetMIDIMessage(MIDIIn* port, uint8_t* buffer, int32_t size) {
    if (port == nullptr) return 0;
    return port->getMessage(buffer, size);
}

int64_t MIDIIn_GetDroppedCount(const MIDIIn* port) {
    return port != nullptr ? port->droppedCount() : 0;
}

void MIDIIn_SetArrivalWakeUp(MIDIIn* port, WakeUp* wake) {
    if (port != nullptr) port->setArrivalWakeUp(wake);
}

int32_t MIDIOut_PutMIDIMessage(MIDIOut* port, const uint8_t* message, int32_t length) {
    if (port == nullptr || !isSendableMessage(message, length)) return 0;
    return port->putMessage(message, length);
}
