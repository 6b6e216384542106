// The port registry: names resolve to virtual ports first, then to the
// loop-back pipes and last to the system's devices; listings show the
// system's devices first.
#include "midi/ports/midi_io.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "common/aside_thread.h"
#include "common/bounded_copy.h"
#include "midi/ports/port_backend.h"
#include "midi/ports/port_message.h"

namespace {

bool isNoDevice(const wchar_t* name) {
    return name == nullptr || name[0] == L'\0' || std::wcscmp(name, L"(None)") == 0;
}

// Listing order: the system's devices, the loop-back pipes, the virtual
// ports. Opening order is the reverse, so a virtual port shadows a device
// of its name.
std::vector<const MIDIPortBackend*> backendsInListingOrder() {
    std::vector<const MIDIPortBackend*> backends;
    if (const MIDIPortBackend* system = systemPortBackend()) backends.push_back(system);
    if (const MIDIPortBackend* loopback = loopbackPortBackend()) backends.push_back(loopback);
    backends.push_back(&virtualPortBackend());
    return backends;
}

using CountFunction = int32_t (*)();
using NameFunction = bool (*)(int32_t, std::wstring*);

void appendNames(std::vector<std::wstring>* names, CountFunction count, NameFunction nameOf) {
    const int32_t n = count();
    std::wstring name;
    for (int32_t i = 0; i < n; ++i) {
        // A name that two backends have is listed once.
        if (nameOf(i, &name) && std::find(names->begin(), names->end(), name) == names->end()) {
            names->push_back(name);
        }
    }
}

std::vector<std::wstring> inputNames() {
    std::vector<std::wstring> names;
    for (const MIDIPortBackend* backend : backendsInListingOrder()) {
        appendNames(&names, backend->inputCount, backend->inputName);
    }
    return names;
}

std::vector<std::wstring> outputNames() {
    std::vector<std::wstring> names;
    for (const MIDIPortBackend* backend : backendsInListingOrder()) {
        appendNames(&names, backend->outputCount, backend->outputName);
    }
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
    MIDIIn* port = nullptr;
    const std::vector<const MIDIPortBackend*> backends = backendsInListingOrder();
    for (auto backend = backends.rbegin(); port == nullptr && backend != backends.rend(); ++backend) {
        port = (*backend)->openInput(deviceName);
    }
    if (port != nullptr) holdFineTimer();
    return port;
}

MIDIOut* MIDIOut_OpenW(const wchar_t* deviceName) {
    if (isNoDevice(deviceName)) return nullptr;
    MIDIOut* port = nullptr;
    const std::vector<const MIDIPortBackend*> backends = backendsInListingOrder();
    for (auto backend = backends.rbegin(); port == nullptr && backend != backends.rend(); ++backend) {
        port = (*backend)->openOutput(deviceName);
    }
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

std::shared_future<void> MIDIPorts_CloseAside(MIDIIn* input, MIDIOut* output) {
    auto closed = std::make_shared<std::promise<void>>();
    std::shared_future<void> result = closed->get_future().share();
    if (input == nullptr && output == nullptr) {
        closed->set_value();
        return result;
    }
    const auto closeBoth = [input, output, closed] {
        MIDIIn_Close(input);
        MIDIOut_Close(output);
        closed->set_value();
    };
    // No thread to be had: closed here and now rather than left open.
    if (!runAside(closeBoth)) closeBoth();
    return result;
}

int32_t MIDIIn_GetMIDIMessage(MIDIIn* port, uint8_t* buffer, int32_t size) {
    if (port == nullptr) return 0;
    return port->getMessage(buffer, size);
}

int32_t MIDIIn_GetMIDIMessageAt(MIDIIn* port, uint8_t* buffer, int32_t size, int64_t* receivedAt) {
    int64_t time = kMIDIInNoTime;
    const int32_t length = port != nullptr ? port->getMessageAt(buffer, size, &time) : 0;
    if (receivedAt != nullptr) *receivedAt = length > 0 ? time : kMIDIInNoTime;
    return length;
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

int32_t MIDIIn_IsGone(const MIDIIn* port) { return port != nullptr && port->isGone() ? 1 : 0; }

int32_t MIDIOut_IsGone(const MIDIOut* port) { return port != nullptr && port->isGone() ? 1 : 0; }
