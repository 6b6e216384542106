#include "engine/player_state.h"

PlayerState playerState;

void resetPlayerState() {
    PlayerState& p = playerState;
    p.tempo = 0;
    p.tempoMode = 0;
    p.midiInSyncMode = 0;
    p.midiOutSyncMode = 0;
    p.syncStart = 0;
    p.syncStop = 0;
    p.midiThru = 0;
    for (int g = 0; g < kDrumGroupCount; ++g) {
        p.noteCheck[g] = 0;
        p.noteLevel[g] = 0;
    }
    for (wchar_t* text : {p.midiInName, p.midiOutName, p.patternName, p.patchName,
                          p.userInterface, p.textEncoding, p.caption})
        text[0] = L'\0';
    p.appDir[0] = L'\0';
    p.patternData = nullptr;
    p.patchData = nullptr;
    p.patternClock = nullptr;
    p.patchClock = nullptr;
    p.midiIn = nullptr;
    p.midiOut = nullptr;
    p.midiInStatus = nullptr;
    p.midiOutStatus = nullptr;
    p.patternPlaying = 0;
    p.patternPosition = 0;
    p.patternLocateCount = 0;
    p.clockFollowerPulse = 0;
    p.patchPlaying = 0;
    p.patchPosition = 0;
    for (int32_t& frame : p.lastMtcFrame) frame = 0;
    p.lastMtcSecond = 0;
    p.lastMtcMinute = 0;
    p.mainWindow = nullptr;
    p.uiReady = 0;
    p.infoTarget = 0;
    p.resourceModule = nullptr;
    p.appInstance = nullptr;
    p.inputThread = 0;
    p.patternThread = 0;
    p.patchThread = 0;
}
