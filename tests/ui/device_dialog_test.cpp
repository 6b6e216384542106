// The device dialog lists the ports, reopens both on OK and keeps what it
// applied when a missing choice leaves it open.
#include "tests/ui/dialog_test_fixture.h"

#include <cstdint>
#include <string>
#include <utility>

#include "engine/player_state.h"
#include "engine/worker_sleep.h"
#include "midi/ports/midi_io.h"
#include "midi/ports/virtual_midi.h"
#include "resources/resource_ids.h"
#include "ui/device_dialog.h"

namespace {

constexpr wchar_t kPadIn[] = L"Drum Pad In";
constexpr wchar_t kSynthOut[] = L"Drum Synth Out";

class DeviceDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        VirtualMIDI_CreateInput(kPadIn);
        VirtualMIDI_CreateOutput(kSynthOut);
        playerState.settings.midiThru = 1;
    }

    // The ports as start-up leaves them after opening the stored names.
    static void openStored(const wchar_t* inName, const wchar_t* outName) {
        setText(playerState.settings.midiInName, inName);
        setText(playerState.settings.midiOutName, outName);
        playerState.handles.midiIn = MIDIIn_OpenW(inName);
        playerState.handles.midiOut = MIDIOut_OpenW(outName);
    }

    ModalRun run(DialogStep step) {
        return runModal([&] { runDeviceDialog(mainWindow()); }, {std::move(step)});
    }
};

// A stored device that is not open reads as such, never as a working row.
TEST_F(DeviceDialogTest, FillSelectsTheStoredDevices) {
    struct Case {
        const wchar_t* storedIn;
        const wchar_t* storedOut;
        bool open;
        std::wstring selectedIn;
        std::wstring selectedOut;
    };
    const std::wstring notOpened = L"  " + loadString(IDS_DEVICE_NOT_OPENED);
    const Case cases[] = {
        {L"", L"", false, L"(None)", L"(None)"},
        {kPadIn, kSynthOut, true, kPadIn, kSynthOut},
        {kPadIn, L"MIDI Mapper", false, kPadIn + notOpened, L"MIDI Mapper" + notOpened},
        {L"Unplugged Pad", L"", false, L"Unplugged Pad" + notOpened, L"(None)"},
    };
    for (const Case& c : cases) {
        setText(playerState.settings.midiInName, c.storedIn);
        setText(playerState.settings.midiOutName, c.storedOut);
        if (c.open) openStored(c.storedIn, c.storedOut);
        std::wstring in, out;
        run([&](HWND dialog) {
            in = selectedRow(dialog, IDC_MIDI_IN_LIST);
            out = selectedRow(dialog, IDC_MIDI_OUT_LIST);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(in, c.selectedIn);
        EXPECT_EQ(out, c.selectedOut);
        MIDIIn_Close(std::exchange(playerState.handles.midiIn, nullptr));
        MIDIOut_Close(std::exchange(playerState.handles.midiOut, nullptr));
    }
}

TEST_F(DeviceDialogTest, OkWithUnchangedRowsReopensBoth) {
    openStored(kPadIn, kSynthOut);
    const uint8_t noteOn[3] = {0x90, 60, 100};
    ASSERT_TRUE(VirtualMIDI_Inject(kPadIn, noteOn, 3));
    inputWake.wait(0);

    ModalRun result = run(pressOk);
    EXPECT_TRUE(inputWake.wait(0)) << "the sleeping input thread hears of the new port";

    EXPECT_FALSE(result.leftOpen);
    EXPECT_TRUE(shownBoxes().empty());
    ASSERT_NE(playerState.handles.midiIn, nullptr);
    ASSERT_NE(playerState.handles.midiOut, nullptr);
    // A reopened input starts empty: the note queued on the old one is gone.
    uint8_t buffer[kMIDIMessageMax];
    EXPECT_EQ(MIDIIn_GetMIDIMessage(playerState.handles.midiIn, buffer, kMIDIMessageMax), 0);
    EXPECT_STREQ(playerState.settings.midiInName, kPadIn);
    EXPECT_STREQ(playerState.settings.midiOutName, kSynthOut);
    EXPECT_EQ(playerState.settings.midiThru, 1);
}

TEST_F(DeviceDialogTest, NoneClosesTheInputWithoutAWarning) {
    openStored(kPadIn, kSynthOut);
    ModalRun result = run([&](HWND dialog) {
        selectRow(dialog, IDC_MIDI_IN_LIST, L"(None)");
        pressOk(dialog);
    });
    EXPECT_FALSE(result.leftOpen);
    EXPECT_TRUE(shownBoxes().empty());
    EXPECT_EQ(playerState.handles.midiIn, nullptr);
    EXPECT_STREQ(playerState.settings.midiInName, L"");
    EXPECT_NE(playerState.handles.midiOut, nullptr);
}

// Thru is applied first, then the input; a missing choice stops there with
// a warning and leaves the dialog open.
TEST_F(DeviceDialogTest, MissingSelectionWarnsAndKeepsWhatWasApplied) {
    struct Case {
        const char* name;
        int clearedList;
        int warning;
        bool inputReopened;
    };
    const Case cases[] = {
        {"no input", IDC_MIDI_IN_LIST, IDS_NO_INPUT_SELECTED, false},
        {"no output", IDC_MIDI_OUT_LIST, IDS_NO_OUTPUT_SELECTED, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shownBoxes().clear();
        playerState.settings.midiThru = 1;
        playerState.handles.midiIn = nullptr;
        playerState.settings.midiInName[0] = L'\0';
        setText(playerState.settings.midiOutName, kSynthOut);

        HWND shownIn = nullptr;
        ModalRun result = run([&](HWND dialog) {
            shownIn = dialog;
            CheckDlgButton(dialog, IDC_MIDI_THRU_CHECK, BST_UNCHECKED);
            selectRow(dialog, IDC_MIDI_IN_LIST, kPadIn);
            clearSelection(dialog, c.clearedList);
            pressOk(dialog);
        });

        EXPECT_TRUE(result.leftOpen);
        ASSERT_EQ(shownBoxes().size(), 1u);
        EXPECT_EQ(shownBoxes()[0].text, messageText(c.warning));
        EXPECT_EQ(shownBoxes()[0].owner, shownIn);
        EXPECT_EQ(shownBoxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(playerState.settings.midiThru, 0);
        EXPECT_EQ(playerState.handles.midiIn != nullptr, c.inputReopened);
        EXPECT_STREQ(playerState.settings.midiInName, c.inputReopened ? kPadIn : L"");
        EXPECT_EQ(playerState.handles.midiOut, nullptr);
        MIDIIn_Close(playerState.handles.midiIn);
        playerState.handles.midiIn = nullptr;
    }
}

// The stored names stay, so the devices are tried again at the next start.
TEST_F(DeviceDialogTest, DevicesThatFailToOpenWarnWithTheirNamesAndStayStored) {
    openStored(kPadIn, kSynthOut);
    ModalRun result = run([&](HWND dialog) {
        // Both devices go away between the listing and the OK.
        VirtualMIDI_RemoveAll();
        pressOk(dialog);
    });
    EXPECT_FALSE(result.leftOpen);
    ASSERT_EQ(shownBoxes().size(), 2u);
    EXPECT_EQ(shownBoxes()[0].text, messageText(IDS_INPUT_OPEN_FAILED, kPadIn));
    EXPECT_EQ(shownBoxes()[1].text, messageText(IDS_OUTPUT_OPEN_FAILED, kSynthOut));
    EXPECT_EQ(playerState.handles.midiIn, nullptr);
    EXPECT_EQ(playerState.handles.midiOut, nullptr);
    EXPECT_STREQ(playerState.settings.midiInName, kPadIn);
    EXPECT_STREQ(playerState.settings.midiOutName, kSynthOut);

    // Opened again, the dialog shows them as they are: not open. OK on
    // those rows tries the stored devices again.
    VirtualMIDI_CreateInput(kPadIn);
    std::wstring in;
    run([&](HWND dialog) {
        in = selectedRow(dialog, IDC_MIDI_IN_LIST);
        pressOk(dialog);
    });
    EXPECT_EQ(in, kPadIn + (L"  " + loadString(IDS_DEVICE_NOT_OPENED)));
    EXPECT_NE(playerState.handles.midiIn, nullptr);
    EXPECT_STREQ(playerState.settings.midiInName, kPadIn);
}

// A name is kept to its first 32 characters, and a number that tells
// namesakes apart stays whole, so the device opens again by it.
TEST_F(DeviceDialogTest, LongDeviceNameIsStoredCutTo32Characters) {
    const std::wstring longName = L"Quillbex Loop-back Drum Output, 40 chars";
    ASSERT_EQ(longName.size(), 40u);
    for (const std::wstring& name : {longName, longName + L" #2"}) {
        VirtualMIDI_CreateOutput(name.c_str());
        run([&](HWND dialog) {
            selectRow(dialog, IDC_MIDI_OUT_LIST, name);
            pressOk(dialog);
        });
        EXPECT_NE(playerState.handles.midiOut, nullptr);
        const bool numbered = name.back() == L'2';
        EXPECT_EQ(std::wstring(playerState.settings.midiOutName), longName.substr(0, 32) + (numbered ? L" #2" : L""));
    }
}

}  // namespace
