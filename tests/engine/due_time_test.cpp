// The players sleep until their next message falls due. A pass at that
// time sends it; a pass a nanosecond earlier sends nothing, so a worker
// that wakes on time misses nothing and never wakes for nothing.
#include "engine/due_time.h"
#include "engine/patch_player.h"
#include "engine/pattern_player.h"
#include "tests/support/player_fixture.h"

#include <algorithm>
#include <mutex>

namespace {

// Both run under the lock, as the workers run them.
void patternPass() {
    std::lock_guard guard(playerState.lock);
    runPatternPass();
}
int64_t patternDue() {
    std::lock_guard guard(playerState.lock);
    return nextPatternPassTime();
}
void patchPass() {
    std::lock_guard guard(playerState.lock);
    runPatchPass();
}
int64_t patchDue() {
    std::lock_guard guard(playerState.lock);
    return nextPatchPassTime();
}

class DueTimeTest : public PlayerFixture {
protected:
    // Steps from due time to due time: nothing goes out a nanosecond
    // before, something at it. Returns the number of steps taken.
    template <typename Pass, typename Next>
    int stepThroughDueTimes(int steps, Pass pass, Next next) {
        int taken = 0;
        for (; taken < steps; ++taken) {
            const int64_t due = next();
            if (due == kMIDIClockUnknownTime) break;
            if (due - 1 > nowNs()) {
                advanceToNs(due - 1);
                clearSent();
                pass();
                EXPECT_TRUE(sent().empty()) << "step " << taken << " sent early";
            }
            advanceToNs(due);
            clearSent();
            pass();
            EXPECT_FALSE(sent().empty()) << "step " << taken << " sent nothing";
            if (HasFailure()) break;
        }
        return taken;
    }
};

TEST_F(DueTimeTest, ThePatternIsDueAtEachNotePulseAndTimeCode) {
    SmfBuilder smf(480);
    smf.track().noteOn(0, 9, 36, 100).noteOn(7, 9, 42, 90).noteOff(100, 9, 42)
        .noteOn(961, 9, 38, 100).endOfTrack(1920);
    writeSong("pattern", L"beat.mid", smf);
    createClocksNow();
    choosePattern(L"beat.mid");
    // Modes: none, MIDI clock, time code at 24, 25, 29.97 and 30 fps.
    for (int32_t mode : {0, 1, 2, 3, 4, 5}) {
        playerState.settings.midiOutSyncMode = mode;
        startPattern();
        // Two and a half bars at 120 bpm, across the wraps.
        const int steps = mode == 0 ? 12 : mode == 1 ? 260 : 160;
        EXPECT_EQ(stepThroughDueTimes(steps, patternPass, patternDue), steps)
            << "output sync mode " << mode;
    }
    stopPlayback();
    EXPECT_EQ(patternDue(), kMIDIClockUnknownTime);
}

TEST_F(DueTimeTest, ThePatchIsDueAtEachEventUntilItIsDone) {
    SmfBuilder smf(480);
    smf.track().controller(0, 0, 7, 100).programChange(10, 0, 5);
    smf.track().controller(500, 1, 10, 64);
    writeSong("patch", L"setup.mid", smf);
    createClocksNow();
    choose(L"setup.mid", selectPatch);
    // Ticks 0, 10 and 500, the end: then nothing more is due.
    EXPECT_EQ(stepThroughDueTimes(4, patchPass, patchDue), 3);
    EXPECT_EQ(playerState.transport.patchPlaying.load(), 0);
}

}  // namespace
