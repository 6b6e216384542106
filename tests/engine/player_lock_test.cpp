// A wrong call fails loudly instead of racing or deadlocking: what needs
// playerState.lock dies without it, and what takes the lock itself or shows
// a warning dies when called under it, naming itself.
#include "engine/drum_groups.h"
#include "engine/patch_player.h"
#include "engine/pattern_player.h"
#include "engine/sync_output.h"
#include "engine/tempo.h"
#include "engine/transport.h"
#include "midi/midi_bytes.h"
#include "tests/support/player_fixture.h"

namespace {

struct Call {
    const char* name;
    void (*call)(PlayerUi& ui);
};

class PlayerLockDeathTest : public PlayerFixture {
protected:
    void SetUp() override {
        // The child runs the test afresh instead of forking this
        // process's threads.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        PlayerFixture::SetUp();
    }
};

TEST_F(PlayerLockDeathTest, CallsThatNeedTheLockDieWithoutIt) {
    const Call calls[] = {
        {"runPatternPass", [](PlayerUi&) { runPatternPass(); }},
        {"runPatchPass", [](PlayerUi&) { runPatchPass(); }},
        {"isDrumNoteEnabled", [](PlayerUi&) { isDrumNoteEnabled(36); }},
        {"scaleDrumVelocity", [](PlayerUi&) { scaleDrumVelocity(36, 100); }},
        {"sendSyncOutput", [](PlayerUi&) { sendSyncOutput(0, 0, 0, 0, 480); }},
        {"sendTransportByte", [](PlayerUi&) { sendTransportByte(kMidiStart); }},
        {"locateSongPosition", [](PlayerUi&) { locateSongPosition(0); }},
        {"PlayerLock::unlock", [](PlayerUi&) { playerState.lock.unlock(); }},
    };
    for (const Call& c : calls)
        EXPECT_DEATH(c.call(ui), std::string(c.name) + ": called without holding playerState.lock");
}

TEST_F(PlayerLockDeathTest, CallsThatTakeTheLockOrWarnDieUnderIt) {
    const Call calls[] = {
        {"selectPattern", [](PlayerUi&) { selectPattern(L"rock.mid"); }},
        {"startPattern", [](PlayerUi&) { startPattern(); }},
        {"stopPlayback", [](PlayerUi&) { stopPlayback(); }},
        {"continuePattern", [](PlayerUi&) { continuePattern(); }},
        {"selectPatch", [](PlayerUi&) { selectPatch(L"setup.mid"); }},
        {"setGroupEnabled", [](PlayerUi&) { setGroupEnabled(2, 0); }},
        {"setTempoBpm", [](PlayerUi&) { setTempoBpm(120); }},
        {"setTempoMode", [](PlayerUi&) { setTempoMode(kTempoOwn); }},
        {"showWarning", [](PlayerUi& window) { window.showWarning(Warning::noPatternLoaded, nullptr); }},
        {"PlayerLock::lock", [](PlayerUi&) { playerState.lock.lock(); }},
    };
    for (const Call& c : calls) {
        EXPECT_DEATH(
            {
                std::lock_guard guard(playerState.lock);
                c.call(ui);
            },
            std::string(c.name) + ": called while this thread holds playerState.lock");
    }
}

}  // namespace
