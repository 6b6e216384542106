#include "engine/port_reopen.h"

#include <cwchar>
#include <mutex>
#include <type_traits>
#include <utility>

#include "engine/player_state.h"
#include "midi/ports/midi_io.h"

namespace {

// How long a reopen waits, with the window answering, for the old port of a
// device to close before it opens that device again; a longer close is left
// to the port keeper, which opens the device once it is done. A healthy port
// closes in a few milliseconds; the margin is for a loaded machine.
constexpr uint32_t kSameDeviceCloseWaitMs = 1000;

template <typename Port>
bool reopen(Port*& slot, PortSide side, const wchar_t* oldName, const wchar_t* name, const wchar_t* storedName,
            Port* (*open)(const wchar_t*), PortCloseWait waitForClose) {
    Port* old = nullptr;
    {
        std::lock_guard guard(playerState.lock);
        old = std::exchange(slot, nullptr);
        portKeeperForget(side);
    }
    MIDIIn* oldInput = nullptr;
    MIDIOut* oldOutput = nullptr;
    if constexpr (std::is_same_v<Port, MIDIIn>) oldInput = old; else oldOutput = old;
    const std::shared_future<void> closed = MIDIPorts_CloseAside(oldInput, oldOutput);
    if (name == nullptr) return false;
    const bool sameDevice = old != nullptr && std::wcscmp(storedName, oldName) == 0;
    if (sameDevice && !waitForClose(closed, kSameDeviceCloseWaitMs)) {
        portKeeperOpenWhenClosed(side, name, closed);
        return true;
    }
    Port* port = open(name);
    if (port == nullptr) return false;
    {
        std::lock_guard guard(playerState.lock);
        slot = port;
    }
    portKeeperWatch(side, name);
    return true;
}

}  // namespace

bool openStoredPort(PortSide side) {
    PlayerState& p = playerState;
    const bool input = side == PortSide::input;
    const wchar_t* name = input ? p.settings.midiInName : p.settings.midiOutName;
    const bool opened = input ? (p.handles.midiIn = MIDIIn_OpenW(name)) != nullptr
                              : (p.handles.midiOut = MIDIOut_OpenW(name)) != nullptr;
    if (opened) portKeeperWatch(side, name);
    return opened || name[0] == L'\0';
}

bool reopenPort(PortSide side, const wchar_t* name, const wchar_t* storedName, PortCloseWait waitForClose) {
    PlayerState& p = playerState;
    if (side == PortSide::input)
        return reopen(p.handles.midiIn, side, p.settings.midiInName, name, storedName, MIDIIn_OpenW, waitForClose);
    return reopen(p.handles.midiOut, side, p.settings.midiOutName, name, storedName, MIDIOut_OpenW, waitForClose);
}
