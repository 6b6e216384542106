// WinMM device lists and the 1 ms timer period held while ports are open.
#include <windows.h>
#include <mmsystem.h>

#include <mutex>
#include <string>

#include "midi/ports/winmm_ports.h"

namespace {

constexpr wchar_t kMapperName[] = L"MIDI Mapper";

int32_t inputCount() {
    return static_cast<int32_t>(midiInGetNumDevs());
}

int32_t outputCount() {
    return static_cast<int32_t>(midiOutGetNumDevs());
}

bool inputName(int32_t index, std::wstring* name) {
    MIDIINCAPSW caps{};
    if (index < 0 || midiInGetDevCapsW(static_cast<UINT_PTR>(index), &caps, sizeof caps) != MMSYSERR_NOERROR) {
        return false;
    }
    *name = caps.szPname;
    return true;
}

bool outputName(int32_t index, std::wstring* name) {
    MIDIOUTCAPSW caps{};
    if (index < 0 || midiOutGetDevCapsW(static_cast<UINT_PTR>(index), &caps, sizeof caps) != MMSYSERR_NOERROR) {
        return false;
    }
    *name = caps.szPname;
    return true;
}

// The first device of that name; -1 when there is none.
int32_t findDevice(int32_t count, bool (*nameOf)(int32_t, std::wstring*), const wchar_t* wanted) {
    std::wstring name;
    for (int32_t i = 0; i < count; ++i) {
        if (nameOf(i, &name) && name == wanted) return i;
    }
    return -1;
}

MIDIIn* openInput(const wchar_t* name) {
    const int32_t device = findDevice(inputCount(), inputName, name);
    return device >= 0 ? openWinMMInput(static_cast<uint32_t>(device)) : nullptr;
}

MIDIOut* openOutput(const wchar_t* name) {
    if (std::wstring(name) == kMapperName) return openWinMMOutput(MIDI_MAPPER);
    const int32_t device = findDevice(outputCount(), outputName, name);
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
