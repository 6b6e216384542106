// The pattern thread on the real clock: every note of a generated pattern
// comes out once per cycle, in order. No timing is asserted here; the bench
// measures lateness.
#include "engine/pattern_player.h"
#include "engine/worker_sleep.h"
#include "tests/support/player_fixture.h"
#include "tests/support/recording_player_ui.h"

#include <chrono>
#include <thread>

namespace {

class PatternThreadTest : public PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        MIDIClockLib_SetTimeSource(nullptr);  // the thread plays on real time
    }
};

TEST_F(PatternThreadTest, PlaysEveryNoteOncePerCycleInOrder) {
    // One bar of sixteenths at 240 bpm: a cycle lasts one second. Each step
    // has its own key and velocity, so a lost, doubled or swapped note shows.
    SmfBuilder smf(480);
    SmfTrackBuilder& track = smf.track();
    std::vector<Bytes> cycle;
    for (int step = 0; step < 16; ++step) {
        const int key = 35 + step;
        const int velocity = 40 + step;
        track.noteOn(step * 120, 9, key, velocity).noteOff(step * 120 + 60, 9, key);
        cycle.push_back({0x99, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)});
        cycle.push_back({0x99, static_cast<uint8_t>(key), 0});
    }
    track.endOfTrack(1920);
    usePattern(smf);
    MIDIClock_SetTempo(playerState.handles.patternClock, 250000);

    RecordingPlayerUi window;
    playerState.shell.mainWindow = &window;
    playerState.shell.patternThread = 1;
    std::thread player(patternPlayerThread, WorkerPacing::WakeWhenDue);
    {
        std::lock_guard guard(playerState.lock);
        MIDIClock_Reset(playerState.handles.patternClock);
        MIDIClock_Start(playerState.handles.patternClock);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2600));
    playerState.shell.mainWindow = nullptr;
    player.join();
    EXPECT_EQ(playerState.shell.patternThread.load(), 0);

    const std::vector<Bytes> played = sent();
    ASSERT_GE(played.size(), 2 * cycle.size()) << "fewer than two cycles played";
    for (size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], cycle[i % cycle.size()]) << "message " << i;
    EXPECT_TRUE(window.commands().empty());
}

TEST_F(PatternThreadTest, LeavesAtOnceWithoutAWindow) {
    playerState.shell.patternThread = 1;
    std::thread player(patternPlayerThread, WorkerPacing::WakeWhenDue);
    player.join();
    EXPECT_EQ(playerState.shell.patternThread.load(), 0);
}

}  // namespace
