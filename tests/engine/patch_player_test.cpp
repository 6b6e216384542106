#include "engine/patch_player.h"

#include <gtest/gtest.h>

#include "tests/support/player_fixture.h"

namespace {

class PatchPlayerTest : public PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        createClocksNow();  // 120 ticks per quarter note until a patch says otherwise
    }

    void choosePatch(const std::wstring& name) { choose(name, selectPatch); }

    // One pass after `ms` milliseconds of the patch clock.
    std::vector<Bytes> passAfter(int64_t ms) {
        advanceMs(ms);
        clearSent();
        {
            std::lock_guard guard(playerState.lock);
            runPatchPass();
        }
        return sent();
    }
};

// A set-up file at 480 ticks per quarter note (one tick is about a
// millisecond at 120 bpm): track 1 selects a sound on channel 1 at tick 10,
// track 2 sets a controller on channel 2 at tick 0 and a pan at tick 960.
SmfBuilder setUpPatch() {
    SmfBuilder smf(480);
    smf.track()
        .meta(0, 0x03, {'P', 'a', 't', 'c', 'h'})
        .controller(10, 0, 0, 1)
        .programChange(10, 0, 5)
        .sysex(10, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .sysex(10, 0xF7, {0xF8});
    smf.track().controller(0, 1, 7, 100).controller(960, 1, 10, 64);
    return smf;
}

TEST_F(PatchPlayerTest, SendsTheDueEventsTrackByTrackOnce) {
    writeSong("patch", L"setup.mid", setUpPatch());
    choosePatch(L"setup.mid");
    EXPECT_TRUE(ui.warnings().empty());
    EXPECT_EQ(std::wstring(playerState.settings.patchName), L"setup.mid");
    EXPECT_EQ(playerState.transport.patchPlaying, 1);
    EXPECT_EQ(clockResolution(playerState.handles.patchClock), 480);

    // Each event leaves in the pass that reaches its tick: track 2's tick-0
    // controller at once.
    EXPECT_EQ(passAfter(0), (std::vector<Bytes>{{0xB1, 7, 100}}));
    // Track 1's events at tick 10; the General MIDI reset goes out whole,
    // the meta event and the escaped bytes (an F7 event) are not sent.
    EXPECT_EQ(passAfter(50), (std::vector<Bytes>{{0xB0, 0, 1},
                                                  {0xC0, 5},
                                                  {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}));
    EXPECT_EQ(playerState.transport.patchPlaying, 1);
    EXPECT_TRUE(passAfter(949).empty()) << "tick 959: the last event is not due yet";
    EXPECT_EQ(playerState.transport.patchPlaying, 1) << "done only once the clock reaches the end";
    EXPECT_EQ(passAfter(1), (std::vector<Bytes>{{0xB1, 10, 64}})) << "the event at the end time";
    EXPECT_EQ(playerState.transport.patchPlaying, 0);
    EXPECT_EQ(playerState.transport.patchPosition, 0);
    EXPECT_EQ(MIDIClock_IsRunning(playerState.handles.patchClock), 0);
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patchClock), 0);
    EXPECT_TRUE(passAfter(5000).empty()) << "a patch does not loop";
    EXPECT_NE(playerState.handles.patchData, nullptr) << "it stays loaded for the song information";
}

TEST_F(PatchPlayerTest, APatchOfNoLengthGoesOutWholeOnTheFirstPass) {
    SmfBuilder smf(480);
    smf.track().programChange(0, 0, 1).programChange(0, 1, 2);
    writeSong("patch", L"flat.mid", smf);
    choosePatch(L"flat.mid");
    EXPECT_EQ(passAfter(5), (std::vector<Bytes>{{0xC0, 1}, {0xC1, 2}}));
    EXPECT_EQ(playerState.transport.patchPlaying, 0);
}

TEST_F(PatchPlayerTest, StopAbandonsTheRestAndStartDoesNotResumeIt) {
    writeSong("patch", L"setup.mid", setUpPatch());
    writeSong("pattern", L"rock.mid", fourOnTheFloor());
    choose(L"rock.mid", selectPattern);
    choosePatch(L"setup.mid");
    passAfter(50);
    stopPlayback();
    EXPECT_EQ(playerState.transport.patchPlaying, 0);
    EXPECT_TRUE(passAfter(2000).empty());
    startPattern();
    continuePattern();
    EXPECT_TRUE(passAfter(2000).empty());
}

TEST_F(PatchPlayerTest, ANewSelectionAbandonsThePatchBeingSent) {
    writeSong("patch", L"setup.mid", setUpPatch());
    SmfBuilder other(96);
    other.track().programChange(0, 9, 3).programChange(96, 9, 4);
    writeSong("patch", L"other.mid", other);

    choosePatch(L"setup.mid");
    passAfter(50);
    choosePatch(L"other.mid");
    EXPECT_EQ(clockResolution(playerState.handles.patchClock), 96);
    EXPECT_EQ(passAfter(20), (std::vector<Bytes>{{0xC9, 3}})) << "from tick 0 of the new patch";
    EXPECT_EQ(passAfter(2000), (std::vector<Bytes>{{0xC9, 4}})) << "nothing of the first patch";
}

TEST_F(PatchPlayerTest, UnusableFilesAreDroppedWithTheirPath) {
    writeSong("patch", L"setup.mid", setUpPatch());
    SmfBuilder frames(0xE728);
    frames.track().programChange(0, 0, 1);
    writeSong("patch", L"frames.mid", frames);

    struct Case {
        const wchar_t* name;
        Warning warning;
    };
    for (Case c : {Case{L"missing.mid", Warning::fileLoadFailed}, Case{L"frames.mid", Warning::frameTimeBase}}) {
        SCOPED_TRACE(c.name);
        choosePatch(L"setup.mid");
        passAfter(50);
        ui.clear();
        choosePatch(c.name);
        EXPECT_EQ(std::wstring(playerState.settings.patchName), c.name);
        EXPECT_EQ(playerState.handles.patchData, nullptr);
        EXPECT_EQ(playerState.transport.patchPlaying, 0);
        ASSERT_EQ(ui.warnings().size(), 1u);
        EXPECT_EQ(ui.warnings()[0].kind, c.warning);
        EXPECT_EQ(ui.warnings()[0].detail, songPath(L"patch", c.name));
        EXPECT_TRUE(passAfter(2000).empty());
    }
    EXPECT_EQ(MIDIClock_IsRunning(playerState.handles.patchClock), 0) << "a refused patch stops its clock";
    EXPECT_EQ(MIDIClock_GetTickCount(playerState.handles.patchClock), 0);
}

TEST_F(PatchPlayerTest, WithoutOutputOrClockNothingIsSentAndNothingBreaks) {
    writeSong("patch", L"setup.mid", setUpPatch());
    MIDIOut_Close(playerState.handles.midiOut);
    playerState.handles.midiOut = nullptr;
    choosePatch(L"setup.mid");
    passAfter(2000);
    EXPECT_EQ(playerState.transport.patchPlaying, 0) << "consumed without a port";

    MIDIClock_Delete(playerState.handles.patchClock);
    playerState.handles.patchClock = nullptr;
    choosePatch(L"setup.mid");
    EXPECT_EQ(playerState.transport.patchPlaying, 1);
    {
        std::lock_guard guard(playerState.lock);
        runPatchPass();
    }
    EXPECT_EQ(playerState.transport.patchPlaying, 1) << "never sent without its clock";
}

}  // namespace
