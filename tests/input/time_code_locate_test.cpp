// Following time code, a full frame is a locate: the pattern goes on from
// where it lands without playing what it jumped over, and a clock follower
// downstream is relocated by song position instead of a burst of pulses.
#include "engine/pattern_player.h"
#include "input/midi_input_thread.h"

#include <gtest/gtest.h>

#include <array>
#include <mutex>

#include "midi/clock/time_code.h"
#include "tests/support/player_fixture.h"

namespace {

// A full frame at 25 frames per second.
Bytes fullFrame(int hours, int minutes, int seconds, int frames) {
    const std::array<uint8_t, 10> message = encodeFullFrame({hours, minutes, seconds, frames, kRate25});
    return {message.begin(), message.end()};
}

using TimeCodeLocateTest = PlayerFixture;

TEST_F(TimeCodeLocateTest, FullFramesMoveThePatternWithoutABurst) {
    playerState.shell.mainWindow = &ui;
    playerState.settings.midiInSyncMode = kInSyncTimeCode;
    playerState.settings.tempoMode = kTempoFollowInput;
    playerState.settings.midiOutSyncMode = kOutSyncTimingClock;
    playerState.settings.midiThru = 0;
    writeSong("pattern", L"rock.mid", fourOnTheFloor());
    createClocksNow();
    choosePattern(L"rock.mid");
    startPattern();

    const Bytes locates[] = {fullFrame(0, 0, 10, 0), fullFrame(0, 5, 0, 0), fullFrame(0, 0, 20, 12),
                             fullFrame(1, 0, 0, 0),  fullFrame(0, 0, 1, 3),  fullFrame(0, 30, 0, 5)};
    int relocations = 0, pulses = 0, notes = 0;
    for (const Bytes& locate : locates) {
        clearSent();
        inject(locate);
        for (int ms = 0; ms < 100; ms += 10) {  // the workers' passes until the next locate
            std::lock_guard hold(playerState.lock);
            runInputPass();
            runPatternPass();
            advanceMs(10);
        }
        for (const Bytes& message : sent()) {
            relocations += message[0] == 0xF2;
            pulses += message == Bytes{0xF8};
            notes += message[0] == 0x99;
        }
        std::lock_guard hold(playerState.lock);
        EXPECT_LT(playerState.transport.patternPosition, MIDIData_GetEndTime(playerState.handles.patternData) + 1);
    }
    // Each locate: Stop, the song position, Continue, and at most the six
    // pulses of a sixteenth; the clock stands at the frame, so nothing more
    // plays, beyond a note on the very tick it landed on.
    EXPECT_EQ(relocations, 6);
    EXPECT_LE(pulses, 6 * 6);
    EXPECT_LE(notes, 6 * 2);
}

}  // namespace
