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
    ~FakeTime() {
        MIDIClockLib_SetTimeSource(nullptr);
        moveOnEachRead(0);
    }
    FakeTime(const FakeTime&) = delete;
    FakeTime& operator=(const FakeTime&) = delete;

    void advanceNs(int64_t ns) { now().fetch_add(ns); }
    void advanceMs(int64_t ms) { advanceNs(ms * 1000000); }
    // Moves the time to `ns`, never back.
    void advanceToNs(int64_t ns) {
        if (ns > now().load()) now().store(ns);
    }
    int64_t nowNs() const { return now().load(); }

    // From now on every reading by the clocks moves the time on, as the
    // work between two readings takes time on a real machine: by `maxNs`
    // each, or with a seed other than 0 by a pseudo-random 0..maxNs drawn
    // from it. 0 makes time stand still between the test's own steps again.
    static void moveOnEachRead(int64_t maxNs, uint32_t seed = 0) {
        step().store(maxNs);
        random().store(seed);
    }

    // Time stands still while one of these lives, and then moves on as
    // before: a check that reads the clocks without disturbing them.
    class StandStill {
    public:
        StandStill() : step_(step().exchange(0)) {}
        ~StandStill() { step().store(step_); }
        StandStill(const StandStill&) = delete;
        StandStill& operator=(const StandStill&) = delete;

    private:
        int64_t step_;
    };

private:
    static std::atomic<int64_t>& now() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static std::atomic<int64_t>& step() {
        static std::atomic<int64_t> value{0};
        return value;
    }
    static std::atomic<uint32_t>& random() {
        static std::atomic<uint32_t> value{0};
        return value;
    }
    static int64_t read() {
        int64_t moveBy = step().load();
        if (uint32_t state = random().load(); state != 0 && moveBy > 0) {
            state ^= state << 13;  // xorshift32
            state ^= state >> 17;
            state ^= state << 5;
            random().store(state);
            moveBy = static_cast<int64_t>(state % static_cast<uint64_t>(moveBy + 1));
        }
        return now().fetch_add(moveBy) + moveBy;
    }
};
