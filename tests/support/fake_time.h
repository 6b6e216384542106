// A hand-driven time source for clock tests.
#pragma once

#include <atomic>
#include <cstdint>

#include "midi/clock/midi_clock.h"

class FakeTime {
public:
    FakeTime() {
        now().store(1000000000);  // not 0, so that "since the start" is visible
        MIDIClockLib_SetTimeSource(&read);
    }
    ~FakeTime() { MIDIClockLib_SetTimeSource(nullptr); }
    FakeTime(const FakeTime&) = delete;
    FakeTime& operator=(const FakeTime&) = delete;

    void advanceNs(int64_t ns) { now().fetch_add(ns); }
    void advanceMs(int64_t ms) { advanceNs(ms * 1000000); }
    // Moves the time to `ns`, never back.
    void advanceToNs(int64_t ns) {
        if (ns > now().load()) now().store(ns);
    }
    int64_t nowNs() const { return now().load(); }

private:
    static std::atomic<int64_t>& now() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static int64_t read() { return now().load(); }
};
