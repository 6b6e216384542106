// WinMM device lists and the 1 ms timer period held while ports are open.
#include <windows.h>
#include <mmsystem.h>

#include <mutex>
#include <string>
#include <vector>

#include "midi/ports/device_names.h"
#include "midi/ports/winmm_ports.h"

namespace {

constexpr wchar_t kMapperName[] = L"MIDI Mapper";

// The names the driver reported for each device index, remembered: a device
// that is unplugged answers no name, but keeps its place in the numbering of
// its namesakes, so "USB MIDI cable #2" does not become the plain name (and
// open the wrong cable) while the first is away.
struct DriverNames {
    std::mutex mutex;
    std::vector<std::wstring> byIndex;  // empty for a device never seen
};

DriverNames inputNames;
DriverNames outputNames;

// Reads every device's name from the driver; `listed[i]` tells whether
// device i answered now.
template <typename Caps, typename GetCaps>
std::vector<std::wstring> driverNames(DriverNames& known, UINT count, GetCaps getCaps,
                                      std::vector<bool>* listed) {
    std::lock_guard guard(known.mutex);
    known.byIndex.resize(count);
    listed->assign(count, false);
    for (UINT i = 0; i < count; ++i) {
        Caps caps{};
        if (getCaps(i, &caps, sizeof caps) == MMSYSERR_NOERROR) {
            known.byIndex[i] = caps.szPname;
            (*listed)[i] = true;
        }
    }
    return known.byIndex;
}

std::vector<std::wstring> currentInputNames(std::vector<bool>* listed) {
    return driverNames<MIDIINCAPSW>(inputNames, midiInGetNumDevs(),
                                    [](UINT i, MIDIINCAPSW* caps, UINT size) {
                                        return midiInGetDevCapsW(i, caps, size);
                                    },
                                    listed);
}

std::vector<std::wstring> currentOutputNames(std::vector<bool>* listed) {
    return driverNames<MIDIOUTCAPSW>(outputNames, midiOutGetNumDevs(),
                                     [](UINT i, MIDIOUTCAPSW* caps, UINT size) {
                                         return midiOutGetDevCapsW(i, caps, size);
                                     },
                                     listed);
}

bool listedName(const std::vector<std::wstring>& names, const std::vector<bool>& listed,
                int32_t index, std::wstring* name) {
    if (index < 0 || index >= static_cast<int32_t>(names.size()) || !listed[static_cast<size_t>(index)])
        return false;
    *name = numberedDeviceName(names, index);
    return true;
}

// The device listed as `wanted`; -1 when there is none (or it is away).
int32_t findDevice(const std::vector<std::wstring>& names, const std::vector<bool>& listed,
                   const wchar_t* wanted) {
    std::wstring name;
    for (int32_t i = 0; i < static_cast<int32_t>(names.size()); ++i) {
        if (listedName(names, listed, i, &name) && name == wanted) return i;
    }
    return -1;
}

int32_t inputCount() {
    return static_cast<int32_t>(midiInGetNumDevs());
}

int32_t outputCount() {
    return static_cast<int32_t>(midiOutGetNumDevs());
}

bool inputName(int32_t index, std::wstring* name) {
    std::vector<bool> listed;
    const std::vector<std::wstring> names = currentInputNames(&listed);
    return listedName(names, listed, index, name);
}

bool outputName(int32_t index, std::wstring* name) {
    std::vector<bool> listed;
    const std::vector<std::wstring> names = currentOutputNames(&listed);
    return listedName(names, listed, index, name);
}

MIDIIn* openInput(const wchar_t* name) {
    std::vector<bool> listed;
    const int32_t device = findDevice(currentInputNames(&listed), listed, name);
    return device >= 0 ? openWinMMInput(static_cast<uint32_t>(device)) : nullptr;
}

MIDIOut* openOutput(const wchar_t* name) {
    if (std::wstring(name) == kMapperName) return openWinMMOutput(MIDI_MAPPER);
    std::vector<bool> listed;
    const int32_t device = findDevice(currentOutputNames(&listed), listed, name);
    return device >= 0 ? openWinMMOutput(static_cast<uint32_t>(device)) : nullptr;
}

std::mutex timerMutex;
int32_t timerHolders = 0;
bool timerPeriodSet = false;

}  // namespace

const MIDIPortBackend* systemPortBackend() {
    static const MIDIPortBackend backend = {inputCount, inputName, openInput,
                                            outputCount, outputName, openOutput};
    return &backend;
}

void holdFineTimer() {
    std::lock_guard<std::mutex> lock(timerMutex);
    if (timerHolders++ == 0) timerPeriodSet = timeBeginPeriod(1) == TIMERR_NOERROR;
}

void releaseFineTimer() {
    std::lock_guard<std::mutex> lock(timerMutex);
    if (timerHolders == 0) return;
    if (--timerHolders == 0 && timerPeriodSet) {
        timeEndPeriod(1);
        timerPeriodSet = false;
    }
}
