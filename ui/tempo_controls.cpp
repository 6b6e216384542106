#include "ui/tempo_controls.h"

#include <cwchar>
#include <iterator>

#include "engine/tempo.h"
#include "resources/resource_ids.h"

namespace {

constexpr int32_t kPageStep = 10;

void setTempoText(HWND window, const wchar_t* format, int32_t bpm) {
    wchar_t text[16];
    std::swprintf(text, std::size(text), format, bpm);
    SetDlgItemTextW(window, IDC_TEMPO_TEXT, text);
}

// The bpm can be set only while the player keeps its own tempo.
void showTempoControls(HWND window, bool ownTempo) {
    EnableWindow(GetDlgItem(window, IDC_TEMPO_SCROLL), ownTempo ? TRUE : FALSE);
    ShowWindow(GetDlgItem(window, IDC_TEMPO_TEXT), ownTempo ? SW_SHOW : SW_HIDE);
}

int32_t scrolledBpm(int32_t bpm, UINT scrollCode, int32_t thumbPosition) {
    switch (scrollCode) {
    case SB_LINELEFT: return bpm - 1;
    case SB_LINERIGHT: return bpm + 1;
    case SB_PAGELEFT: return bpm - kPageStep;
    case SB_PAGERIGHT: return bpm + kPageStep;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return thumbPosition;
    default: return bpm;  // end of scroll and the like
    }
}

}  // namespace

void initTempoControls(HWND window) {
    const TempoView view = tempoView();
    CheckDlgButton(window, IDC_TEMPO_INTERNAL_RADIO, view.ownTempo ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window, IDC_TEMPO_FOLLOW_RADIO, view.ownTempo ? BST_UNCHECKED : BST_CHECKED);
    HWND scrollBar = GetDlgItem(window, IDC_TEMPO_SCROLL);
    SetScrollRange(scrollBar, SB_CTL, kMinimumBpm, kMaximumBpm, TRUE);
    SetScrollPos(scrollBar, SB_CTL, view.bpm, TRUE);
    setTempoText(window, L"%d", view.bpm);
    showTempoControls(window, view.ownTempo);
}

void scrollTempo(HWND window, HWND scrollBar, UINT scrollCode, int32_t thumbPosition) {
    const int32_t bpm = setTempoBpm(scrolledBpm(GetScrollPos(scrollBar, SB_CTL), scrollCode, thumbPosition));
    SetScrollPos(scrollBar, SB_CTL, bpm, TRUE);
    setTempoText(window, L"%3d", bpm);
}

void chooseTempoMode(HWND window, int commandId) {
    int32_t tempoMode = -1;
    if (commandId == IDC_TEMPO_INTERNAL_RADIO) tempoMode = kTempoOwn;
    if (commandId == IDC_TEMPO_FOLLOW_RADIO) tempoMode = kTempoFollowInput;
    const TempoControls controls = setTempoMode(tempoMode);
    if (controls != TempoControls::keep) showTempoControls(window, controls == TempoControls::usable);
}
