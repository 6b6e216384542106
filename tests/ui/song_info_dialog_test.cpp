// The song information dialog shows the loaded pattern's or patch's texts,
// end, length, format, tracks, time mode and resolution.
#include "tests/ui/dialog_test_fixture.h"

#include <cstdint>
#include <vector>

#include "engine/player_state.h"
#include "midi/song/midi_data.h"
#include "resources/resource_ids.h"
#include "tests/support/smf_builder.h"
#include "ui/song_info_dialog.h"

namespace {

constexpr int kInfoFields[] = {IDC_TITLE_TEXT,     IDC_SUB_TITLE_TEXT, IDC_COPYRIGHT_TEXT,
                               IDC_COMMENT_TEXT,   IDC_END_TIME_TEXT,  IDC_DURATION_TEXT,
                               IDC_FORMAT_TEXT,    IDC_TRACK_COUNT_TEXT, IDC_TIME_MODE_TEXT,
                               IDC_RESOLUTION_TEXT};

struct SongInfoCase {
    const char* name;
    int32_t target;  // 0 pattern, 1 patch
    SmfBuilder song;
    std::vector<std::wstring> fields;  // in the order of kInfoFields
};

SmfBuilder songWithTexts() {
    SmfBuilder smf(480, 1);
    smf.track()
        .trackName(0, "Funk Groove")
        .trackName(0, "Verse A")
        .text(0, 0x02, "(c) 2026 Quillbex")
        .text(0, 0x01, "Ghost notes on the snare")
        .endOfTrack(1920);
    smf.track().noteOn(0, 9, 36, 100).noteOn(240, 9, 36, 0).endOfTrack(1920);
    return smf;
}

// 3/4 at 600000 us per quarter note, ending 10 ticks into the second beat
// of the third bar.
SmfBuilder waltzPatch() {
    SmfBuilder smf(96, 0);
    smf.track().timeSignature(0, 3, 2).tempo(0, 600000).endOfTrack(2 * 3 * 96 + 96 + 10);
    return smf;
}

// 86459851 ticks at 120 bpm and 480 per quarter note: 25 h 1 min 2.344 s.
SmfBuilder longerThanADay() {
    SmfBuilder smf(480, 1);
    smf.track().endOfTrack(86459851);
    return smf;
}

// Division: negative frames per second in the upper byte, ticks per frame
// in the lower.
SmfBuilder framed(int framesPerSecond, int ticksPerFrame, int endTick) {
    SmfBuilder smf(uint16_t((-framesPerSecond & 0xFF) << 8 | ticksPerFrame), 0);
    smf.track().endOfTrack(endTick);
    return smf;
}

class SongInfoDialogTest : public DialogTest {
protected:
    static MIDIData* load(const SmfBuilder& smf) {
        std::vector<uint8_t> bytes = smf.bytes();
        return MIDIData_LoadFromMemory(bytes.data(), bytes.size());
    }
};

TEST_F(SongInfoDialogTest, ShowsTheSongOfItsTarget) {
    const SongInfoCase cases[] = {
        {"texts, two tracks, one bar", 0, songWithTexts(),
         {L"Funk Groove", L"Verse A", L"(c) 2026 Quillbex", L"Ghost notes on the snare",
          L"Bar 2, beat 1, tick 0", L"0:00:02.000", L"SMF format 1", L"2",
          L"Ticks per quarter note", L"480 ticks per quarter note"}},
        {"patch in 3/4 without texts", 1, waltzPatch(),
         {L"", L"", L"", L"", L"Bar 3, beat 2, tick 10", L"0:00:04.262", L"SMF format 0", L"1",
          L"Ticks per quarter note", L"96 ticks per quarter note"}},
        {"hours go past a day", 0, longerThanADay(),
         {L"", L"", L"", L"", L"Bar 45032, beat 1, tick 331", L"25:01:02.344", L"SMF format 1",
          L"1", L"Ticks per quarter note", L"480 ticks per quarter note"}},
        {"25 frames per second", 0, framed(25, 40, 1234),
         {L"", L"", L"", L"", L"30 frames + 34 ticks", L"0:00:01.234", L"SMF format 0", L"1",
          L"SMPTE 25 frames per second", L"40 ticks per frame"}},
        {"29.97 frames per second", 1, framed(29, 80, 2400),
         {L"", L"", L"", L"", L"30 frames + 0 ticks", L"0:00:01.001", L"SMF format 0", L"1",
          L"SMPTE 29.97 frames per second (drop frame)", L"80 ticks per frame"}},
    };
    for (const SongInfoCase& c : cases) {
        SCOPED_TRACE(c.name);
        MIDIData* song = load(c.song);
        ASSERT_NE(song, nullptr);
        MIDIData*& slot = c.target == 1 ? playerState.handles.patchData : playerState.handles.patternData;
        slot = song;

        std::vector<std::wstring> shown;
        ModalRun run = runModal([&] { openSongInfoDialog(mainWindow(), c.target); },
                                {[&](HWND dialog) {
                                     for (int field : kInfoFields) shown.push_back(controlText(dialog, field));
                                     pressOk(dialog);
                                 }});
        EXPECT_FALSE(run.leftOpen);
        EXPECT_EQ(shown, c.fields);
        EXPECT_EQ(playerState.shell.infoTarget, c.target);

        MIDIData_Delete(song);
        slot = nullptr;
    }
}

TEST_F(SongInfoDialogTest, OpensNothingWithoutTheSong) {
    std::vector<uint8_t> bytes = songWithTexts().bytes();
    playerState.handles.patternData = MIDIData_LoadFromMemory(bytes.data(), bytes.size());
    ModalRun run = runModal([&] { openSongInfoDialog(mainWindow(), 1); }, {pressOk});
    EXPECT_EQ(run.stepsRun, 0u);
    EXPECT_TRUE(shownBoxes().empty());
}

}  // namespace
