#include "ui/song_info_dialog.h"

#include <cwchar>
#include <iterator>
#include <mutex>

#include "engine/player_state.h"
#include "midi/song/midi_data.h"
#include "resources/resource_ids.h"
#include "ui/modal_dialog.h"

namespace {

constexpr int32_t kPatchTarget = 1;
constexpr int32_t kMillisecondsPerHour = 3600000;
constexpr int32_t kMillisecondsPerMinute = 60000;
constexpr int32_t kMillisecondsPerSecond = 1000;

HINSTANCE resourceModule() {
    return static_cast<HINSTANCE>(playerState.shell.resourceModule);
}

MIDIData* shownSong() {
    const PlayerHandles& songs = playerState.handles;
    return playerState.shell.infoTarget == kPatchTarget ? songs.patchData : songs.patternData;
}

// Integers formatted into a field, cut to 1023 characters.
template <typename... Integers>
void setFormattedText(HWND dialog, int controlId, const wchar_t* format, Integers... values) {
    wchar_t text[1024] = {};
    std::swprintf(text, std::size(text), format, static_cast<int>(values)...);
    text[std::size(text) - 1] = L'\0';
    SetDlgItemTextW(dialog, controlId, text);
}

// The same with a format string of the language module.
template <typename... Integers>
void setStringFormattedText(HWND dialog, int controlId, UINT formatId, Integers... values) {
    wchar_t format[256] = {};
    LoadStringW(resourceModule(), formatId, format, static_cast<int>(std::size(format)));
    setFormattedText(dialog, controlId, format, values...);
}

using SongTextGetter = int32_t (*)(const MIDIData*, wchar_t*, int32_t);

void setSongText(HWND dialog, int controlId, const MIDIData* song, SongTextGetter getText) {
    wchar_t text[1024] = {};
    getText(song, text, static_cast<int32_t>(std::size(text)));
    SetDlgItemTextW(dialog, controlId, text);
}

// Frame-based songs have no beats: their end is whole frames and the ticks
// into the next one.
void setEndTime(HWND dialog, const MIDIData* song, int32_t end, int32_t timeMode,
                int32_t resolution) {
    if (timeMode == 0) {
        int32_t measure = 0;
        int32_t beat = 0;
        int32_t tick = 0;
        MIDIData_BreakTime(song, end, &measure, &beat, &tick);
        setStringFormattedText(dialog, IDC_END_TIME_TEXT, IDS_END_TIME_TICKS, measure + 1, beat + 1,
                               tick);
    } else if (resolution > 0) {  // the reader refuses 0, but never divide by it
        setStringFormattedText(dialog, IDC_END_TIME_TEXT, IDS_END_TIME_FRAMES, end / resolution,
                               end % resolution);
    }
}

// Hours keep counting past a day: a 25-hour song reads 25.
void setDuration(HWND dialog, const MIDIData* song, int32_t end) {
    int32_t ms = MIDIData_TimeToMillisec(song, end);
    setStringFormattedText(dialog, IDC_DURATION_TEXT, IDS_PLAYING_TIME, ms / kMillisecondsPerHour,
                           (ms / kMillisecondsPerMinute) % 60, (ms / kMillisecondsPerSecond) % 60,
                           ms % kMillisecondsPerSecond);
}

UINT timeModeNameId(int32_t timeMode) {
    switch (timeMode) {
    case 0: return IDS_TIME_MODE_TPQN;
    case 24: return IDS_TIME_MODE_24;
    case 25: return IDS_TIME_MODE_25;
    case 29: return IDS_TIME_MODE_2997;
    case 30: return IDS_TIME_MODE_30;
    default: return 0;  // no such time mode: the field stays empty
    }
}

void setTimeModeName(HWND dialog, int32_t timeMode) {
    UINT nameId = timeModeNameId(timeMode);
    if (nameId == 0) return;
    wchar_t name[1024] = {};
    LoadStringW(resourceModule(), nameId, name, static_cast<int>(std::size(name)));
    SetDlgItemTextW(dialog, IDC_TIME_MODE_TEXT, name);
}

BOOL onInitDialog(HWND dialog) {
    fillSongInfo(dialog);
    SetFocus(GetDlgItem(dialog, IDC_TITLE_TEXT));
    return FALSE;  // the focus is set
}

void onOk(HWND dialog) {
    EndDialog(dialog, 1);
}

}  // namespace

void openSongInfoDialog(HWND owner, int32_t target) {
    MIDIData* song = target == kPatchTarget ? playerState.handles.patchData : playerState.handles.patternData;
    if (!song) return;
    playerState.shell.infoTarget = target;
    static constexpr ModalDialogHandlers handlers{onInitDialog, onOk};
    runModalDialog(owner, IDD_SONG_INFO_DIALOG, handlers);
}

void fillSongInfo(HWND dialog) {
    const MIDIData* song = shownSong();
    if (!song) return;
    // The pattern and patch threads walk the same song.
    std::lock_guard guard(playerState.lock);

    int32_t timeMode = 0;
    int32_t resolution = 0;
    MIDIData_GetTimeBase(song, &timeMode, &resolution);

    setSongText(dialog, IDC_TITLE_TEXT, song, MIDIData_GetTitleW);
    setSongText(dialog, IDC_SUB_TITLE_TEXT, song, MIDIData_GetSubTitleW);
    setSongText(dialog, IDC_COPYRIGHT_TEXT, song, MIDIData_GetCopyrightW);
    setSongText(dialog, IDC_COMMENT_TEXT, song, MIDIData_GetCommentW);

    int32_t end = MIDIData_GetEndTime(song);
    setEndTime(dialog, song, end, timeMode, resolution);
    setDuration(dialog, song, end);
    setStringFormattedText(dialog, IDC_FORMAT_TEXT, IDS_SMF_FORMAT, MIDIData_GetFormat(song));
    setFormattedText(dialog, IDC_TRACK_COUNT_TEXT, L"%d", MIDIData_CountTrack(song));
    setTimeModeName(dialog, timeMode);
    setStringFormattedText(dialog, IDC_RESOLUTION_TEXT,
                           timeMode == 0 ? IDS_RESOLUTION_TPQN : IDS_RESOLUTION_FRAMES, resolution);
}
