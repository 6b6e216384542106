// The sync-mode dialog stores both sync modes and has the main window
// re-apply its tempo mode, back to its own tempo when the input gives none.
#include "tests/ui/dialog_test_fixture.h"

#include <cstdint>

#include "engine/player_state.h"
#include "engine/tempo.h"
#include "midi/clock/midi_clock.h"
#include "resources/resource_ids.h"
#include "ui/sync_mode_dialog.h"

namespace {

struct TempoView {
    int32_t tempoMode;
    bool followChecked;  // TempoFollowRadio, TempoInternalRadio the opposite
    bool scrollEnabled;
    bool textShown;
    int32_t clockSyncMode;  // of both clocks

    bool operator==(const TempoView&) const = default;
};

void PrintTo(const TempoView& v, std::ostream* os) {
    *os << "{tempoMode " << v.tempoMode << ", follow " << v.followChecked << ", scroll "
        << v.scrollEnabled << ", text " << v.textShown << ", clocks " << v.clockSyncMode << "}";
}

class SyncModeDialogTest : public DialogTest {
protected:
    // The main window and both clocks as start-up leaves them.
    void start(int32_t tempoMode, int32_t inSyncMode, int32_t outSyncMode) {
        playerState.settings.tempo = 500000;
        playerState.settings.tempoMode = tempoMode;
        playerState.settings.midiInSyncMode = inSyncMode;
        playerState.settings.midiOutSyncMode = outSyncMode;
        for (MIDIClock** clock : {&playerState.handles.patternClock, &playerState.handles.patchClock}) {
            MIDIClock_Delete(*clock);
            *clock = MIDIClock_Create(0, 480, 500000);
            MIDIClock_SetMIDIInSyncMode(*clock, clockSyncMode(tempoMode, inSyncMode));
        }
        showTempoControls();
    }

    TempoView tempoView() const {
        HWND window = mainWindow();
        int32_t patternSync = MIDIClock_GetMIDIInSyncMode(playerState.handles.patternClock);
        int32_t patchSync = MIDIClock_GetMIDIInSyncMode(playerState.handles.patchClock);
        EXPECT_EQ(IsDlgButtonChecked(window, IDC_TEMPO_INTERNAL_RADIO) == BST_CHECKED,
                  IsDlgButtonChecked(window, IDC_TEMPO_FOLLOW_RADIO) != BST_CHECKED);
        EXPECT_EQ(patternSync, patchSync);
        return {playerState.settings.tempoMode,
                IsDlgButtonChecked(window, IDC_TEMPO_FOLLOW_RADIO) == BST_CHECKED,
                IsWindowEnabled(GetDlgItem(window, IDC_TEMPO_SCROLL)) != FALSE,
                (GetWindowLongW(GetDlgItem(window, IDC_TEMPO_TEXT), GWL_STYLE) & WS_VISIBLE) != 0,
                patternSync};
    }

    ModalRun choose(int32_t inRow, int32_t outRow) {
        return runModal([&] { runSyncModeDialog(mainWindow()); },
                        {[&](HWND dialog) {
                            SendDlgItemMessageW(dialog, IDC_IN_SYNC_MODE_LIST, LB_SETCURSEL, inRow, 0);
                            SendDlgItemMessageW(dialog, IDC_OUT_SYNC_MODE_LIST, LB_SETCURSEL, outRow, 0);
                            pressOk(dialog);
                        }});
    }
};

TEST_F(SyncModeDialogTest, OkStoresBothModesAndReappliesTheTempoMode) {
    struct Case {
        const char* name;
        int32_t tempoMode, inSyncMode;  // before
        int32_t chosenIn, chosenOut;
        TempoView after;
    };
    const Case cases[] = {
        {"following, input none: back to own tempo", 1, 1, 0, 3, {0, false, true, true, 0}},
        {"following, input time code", 1, 1, 2, 0, {1, true, false, false, 2}},
        {"own tempo, input clock", 0, 2, 1, 1, {0, false, true, true, 0}},
        {"following by an edited tempo mode, input none", -1, 1, 0, 5, {0, false, true, true, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.tempoMode, c.inSyncMode, 1);
        ModalRun run = choose(c.chosenIn, c.chosenOut);
        EXPECT_FALSE(run.leftOpen);
        EXPECT_EQ(tempoView(), c.after);
        EXPECT_EQ(playerState.settings.midiInSyncMode, c.chosenIn);
        EXPECT_EQ(playerState.settings.midiOutSyncMode, c.chosenOut);
    }
    EXPECT_TRUE(shownBoxes().empty());
}

// The stored modes are the rows selected, so an untouched OK keeps them.
TEST_F(SyncModeDialogTest, OpensWithTheStoredRowsSelected) {
    const struct {
        int32_t in, out;
    } stored[] = {{0, 0}, {2, 4}, {1, 5}};
    for (const auto& modes : stored) {
        SCOPED_TRACE(testing::Message() << "in " << modes.in << " out " << modes.out);
        start(0, modes.in, modes.out);
        std::wstring in, out;
        runModal([&] { runSyncModeDialog(mainWindow()); }, {[&](HWND dialog) {
                     in = selectedRow(dialog, IDC_IN_SYNC_MODE_LIST);
                     out = selectedRow(dialog, IDC_OUT_SYNC_MODE_LIST);
                     pressOk(dialog);
                 }});
        EXPECT_EQ(in, loadString(IDS_IN_SYNC_MODE_NONE + modes.in));
        EXPECT_EQ(out, loadString(IDS_OUT_SYNC_MODE_NONE + modes.out));
        EXPECT_EQ(playerState.settings.midiInSyncMode, modes.in);
        EXPECT_EQ(playerState.settings.midiOutSyncMode, modes.out);
    }
}

// No input choice changes nothing; no output choice (a stored mode with no
// row) comes after the input mode has been applied.
TEST_F(SyncModeDialogTest, MissingSelectionWarnsAndKeepsWhatWasApplied) {
    struct Case {
        const char* name;
        int32_t storedIn, storedOut;
        int warning;
        int32_t inSyncModeAfter;
        TempoView after;
    };
    const Case cases[] = {
        {"no input row", 7, 2, IDS_NO_IN_SYNC_MODE_SELECTED, 7, {1, true, false, false, 2}},
        {"no output row", 1, 9, IDS_NO_OUT_SYNC_MODE_SELECTED, 0, {0, false, true, true, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shownBoxes().clear();
        start(1, c.storedIn, c.storedOut);
        ModalRun run = runModal([&] { runSyncModeDialog(mainWindow()); },
                                {[&](HWND dialog) {
                                    if (c.storedIn == 1) {
                                        SendDlgItemMessageW(dialog, IDC_IN_SYNC_MODE_LIST, LB_SETCURSEL, 0, 0);
                                    }
                                    pressOk(dialog);
                                }});
        EXPECT_TRUE(run.leftOpen);
        ASSERT_EQ(shownBoxes().size(), 1u);
        EXPECT_EQ(shownBoxes()[0].text, messageText(c.warning));
        EXPECT_EQ(playerState.settings.midiInSyncMode, c.inSyncModeAfter);
        EXPECT_EQ(playerState.settings.midiOutSyncMode, c.storedOut);
        EXPECT_EQ(tempoView(), c.after);
    }
}

}  // namespace
