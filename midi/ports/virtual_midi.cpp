// Virtual ports live in a registry of their own, under one mutex. An open
// handle shares its port's state, so that removing the port leaves the
// handle harmless rather than dangling.
#include "midi/ports/virtual_midi.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "common/wake_up.h"
#include "midi/clock/midi_clock.h"
#include "midi/midi_bytes.h"
#include "midi/ports/port_backend.h"
#include "midi/ports/port_message.h"
#include "midi/ports/port_queue.h"

namespace {

struct VirtualInput {
    explicit VirtualInput(const wchar_t* portName) : name(portName) {}
    const std::wstring name;
    std::atomic<bool> removed{false};
    std::atomic<bool> open{false};
    // Injections come from any thread; the mutex makes them one producer.
    std::mutex producerMutex;
    SysExAssembler sysEx;
    PortQueue queue;
    WakeUp* arrival = nullptr;  // under producerMutex, so no signal outlives a change
};

struct VirtualOutput {
    explicit VirtualOutput(const wchar_t* portName) : name(portName) {}
    const std::wstring name;
    std::atomic<bool> removed{false};
    std::mutex sentMutex;
    std::vector<VirtualMIDIMessage> sent;
};

struct Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<VirtualInput>> inputs;
    std::vector<std::shared_ptr<VirtualOutput>> outputs;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

bool isUsableName(const wchar_t* name) {
    return name != nullptr && name[0] != L'\0' && std::wstring(name) != L"(None)";
}

template <typename Port>
std::shared_ptr<Port> findPort(const std::vector<std::shared_ptr<Port>>& ports, const wchar_t* name) {
    if (name == nullptr) return nullptr;
    for (const auto& port : ports) {
        if (port->name == name) return port;
    }
    return nullptr;
}

std::shared_ptr<VirtualInput> findInput(const wchar_t* name) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return findPort(registry().inputs, name);
}

std::shared_ptr<VirtualOutput> findOutput(const wchar_t* name) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return findPort(registry().outputs, name);
}

class VirtualInputPort final : public MIDIIn {
public:
    explicit VirtualInputPort(std::shared_ptr<VirtualInput> port) : port_(std::move(port)) {}
    ~VirtualInputPort() override {
        setArrivalWakeUp(nullptr);
        port_->open.store(false);
    }

    int32_t getMessage(uint8_t* buffer, int32_t size) override {
        if (port_->removed.load()) return 0;
        return port_->queue.pop(buffer, size);
    }
    int64_t droppedCount() const override { return port_->queue.dropped(); }
    bool isGone() const override { return port_->removed.load(); }
    void setArrivalWakeUp(WakeUp* wake) override {
        std::lock_guard guard(port_->producerMutex);
        port_->arrival = wake;
    }

private:
    std::shared_ptr<VirtualInput> port_;
};

class VirtualOutputPort final : public MIDIOut {
public:
    explicit VirtualOutputPort(std::shared_ptr<VirtualOutput> port) : port_(std::move(port)) {}

    int32_t putMessage(const uint8_t* message, int32_t length) override {
        if (port_->removed.load()) return 0;
        std::lock_guard<std::mutex> lock(port_->sentMutex);
        // Stamped inside the lock, so that the record is in time order.
        port_->sent.push_back({MIDIClockLib_Now(), std::vector<uint8_t>(message, message + length)});
        return length;
    }
    bool isGone() const override { return port_->removed.load(); }

private:
    std::shared_ptr<VirtualOutput> port_;
};

int32_t inputCount() {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return static_cast<int32_t>(registry().inputs.size());
}

int32_t outputCount() {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return static_cast<int32_t>(registry().outputs.size());
}

bool inputName(int32_t index, std::wstring* name) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    if (index < 0 || index >= static_cast<int32_t>(registry().inputs.size())) return false;
    *name = registry().inputs[static_cast<size_t>(index)]->name;
    return true;
}

bool outputName(int32_t index, std::wstring* name) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    if (index < 0 || index >= static_cast<int32_t>(registry().outputs.size())) return false;
    *name = registry().outputs[static_cast<size_t>(index)]->name;
    return true;
}

// An input opens once at a time, as a MIDI driver's would; what was
// injected while it was closed is gone.
MIDIIn* openInput(const wchar_t* name) {
    std::shared_ptr<VirtualInput> port = findInput(name);
    if (port == nullptr || port->open.exchange(true)) return nullptr;
    {
        std::lock_guard<std::mutex> lock(port->producerMutex);
        port->sysEx.abandon();
        port->queue.clear();
    }
    MIDIIn* handle = new (std::nothrow) VirtualInputPort(port);
    if (handle == nullptr) port->open.store(false);
    return handle;
}

MIDIOut* openOutput(const wchar_t* name) {
    std::shared_ptr<VirtualOutput> port = findOutput(name);
    if (port == nullptr) return nullptr;
    return new (std::nothrow) VirtualOutputPort(port);
}

}  // namespace

const MIDIPortBackend& virtualPortBackend() {
    static const MIDIPortBackend backend = {inputCount, inputName, openInput,
                                            outputCount, outputName, openOutput};
    return backend;
}

void VirtualMIDI_CreateInput(const wchar_t* name) {
    if (!isUsableName(name)) return;
    std::lock_guard<std::mutex> lock(registry().mutex);
    if (findPort(registry().inputs, name) == nullptr) {
        registry().inputs.push_back(std::make_shared<VirtualInput>(name));
    }
}

void VirtualMIDI_CreateOutput(const wchar_t* name) {
    if (!isUsableName(name)) return;
    std::lock_guard<std::mutex> lock(registry().mutex);
    if (findPort(registry().outputs, name) == nullptr) {
        registry().outputs.push_back(std::make_shared<VirtualOutput>(name));
    }
}

void VirtualMIDI_RemoveAll() {
    std::lock_guard<std::mutex> lock(registry().mutex);
    for (const auto& port : registry().inputs) port->removed.store(true);
    for (const auto& port : registry().outputs) port->removed.store(true);
    registry().inputs.clear();
    registry().outputs.clear();
}

// A short message is delivered with the length its status byte gives, as a
// driver packs it: missing data bytes read as 0, extra bytes are not sent.
// System exclusive may come in pieces, like a driver's long buffers.
bool VirtualMIDI_Inject(const wchar_t* inputName, const uint8_t* message, int32_t length) {
    std::shared_ptr<VirtualInput> port = findInput(inputName);
    if (port == nullptr || message == nullptr || length < 1) return false;
    std::lock_guard<std::mutex> lock(port->producerMutex);
    if (!port->open.load() || port->removed.load()) return false;
    const uint8_t status = message[0];
    const bool continuesSysEx = port->sysEx.active() && (!isStatusByte(status) || status == kEndOfExclusive);
    bool taken = false;
    if (status == kSystemExclusive || continuesSysEx) {
        taken = port->sysEx.feed(message, length, port->queue);
    } else if (const int32_t needed = shortMessageLength(status); needed == 0) {
        port->queue.countDrop();
    } else {
        uint8_t packed[3] = {status, 0, 0};
        for (int32_t i = 1; i < needed && i < length; ++i) packed[i] = message[i];
        taken = port->queue.push(packed, needed);
    }
    // As a driver's callback does: the reader hears of it at once (a piece
    // of system exclusive too, which costs it one empty look).
    if (taken && port->arrival) port->arrival->signal();
    return taken;
}

std::vector<VirtualMIDIMessage> VirtualMIDI_Sent(const wchar_t* outputName) {
    std::shared_ptr<VirtualOutput> port = findOutput(outputName);
    if (port == nullptr) return {};
    std::lock_guard<std::mutex> lock(port->sentMutex);
    return port->sent;
}

void VirtualMIDI_ClearSent(const wchar_t* outputName) {
    std::shared_ptr<VirtualOutput> port = findOutput(outputName);
    if (port == nullptr) return;
    std::lock_guard<std::mutex> lock(port->sentMutex);
    port->sent.clear();
}
