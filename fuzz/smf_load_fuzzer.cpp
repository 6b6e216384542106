// libFuzzer target: any bytes through the song loader, then every walk and
// query a player, the information dialog or smfdump makes on the song.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "common/utf8.h"
#include "midi/song/midi_data.h"
#include "midi/status/midi_status.h"

namespace {

// The last byte picks the code page, so every decoder gets its share.
constexpr int32_t codePages[] = {1252, 932, 936, 949, 950, 874, 1250, 1251, 1253,
                                 1254, 1255, 1256, 1257, 1258, 1200, 1201, 65001, 0};

using TextGetter = int32_t (*)(const MIDIData*, wchar_t*, int32_t);

// The song's header, its texts (decoded, then as UTF-8) and what the reader
// recovered from, as the information dialog and smfdump show them.
int64_t describe(const MIDIData* song) {
    int32_t timeMode = 0, resolution = 0;
    MIDIData_GetTimeBase(song, &timeMode, &resolution);
    int64_t sum = MIDIData_GetFormat(song) + MIDIData_CountTrack(song) + timeMode + resolution;
    for (TextGetter getter : {MIDIData_GetTitleW, MIDIData_GetSubTitleW, MIDIData_GetCopyrightW,
                              MIDIData_GetCommentW}) {
        wchar_t text[1024] = {};
        getter(song, text, static_cast<int32_t>(std::size(text)));
        sum += static_cast<int64_t>(wideToUtf8(text).size());
    }
    for (int32_t kind = 0; kind < kMIDIDataRecoveryKinds; ++kind)
        sum += MIDIData_GetRecoveryCount(song, static_cast<MIDIDataRecovery>(kind));
    return sum;
}

void walk(const MIDIData* song, MIDIStatus* mirror) {
    int64_t sum = describe(song);
    for (MIDITrack* track = MIDIData_GetFirstTrack(song); track; track = MIDITrack_GetNextTrack(track)) {
        for (MIDIEvent* event = MIDITrack_GetFirstEvent(track); event; event = MIDIEvent_GetNextEvent(event)) {
            sum += MIDIEvent_IsMIDIEvent(event) + MIDIEvent_IsNoteOn(event) + MIDIEvent_IsNoteOff(event) +
                   MIDIEvent_GetChannel(event) + MIDIEvent_GetKey(event) + MIDIEvent_GetVelocity(event);
            for (int32_t i = 0; i < event->length; ++i) sum += event->data[i];
            MIDIStatus_PutMIDIMessage(mirror, event->data, event->length);
            MIDIEvent* found = MIDITrack_FindFirstEventAtOrAfter(track, event->time);
            if (found == nullptr || found->time != event->time) __builtin_trap();
        }
    }
    int32_t measure, beat, tick;
    for (int32_t t : {MIDIData_GetBeginTime(song), MIDIData_GetEndTime(song), INT32_MAX}) {
        sum += MIDIData_TimeToMillisec(song, t);
        MIDIData_BreakTime(song, t, &measure, &beat, &tick);
    }
    for (int32_t channel = 0; channel < 16; ++channel)
        sum += MIDIPart_GetNumNoteKeep(MIDIStatus_GetMIDIPart(mirror, channel));
    (void)sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0) MIDIDataLib_SetDefaultCharCode(codePages[data[size - 1] % std::size(codePages)]);
    MIDIData* song = MIDIData_LoadFromMemory(data, size);
    if (song == nullptr) return 0;
    MIDIStatus* mirror = MIDIStatus_Create(0, 16, 2);
    walk(song, mirror);
    MIDIStatus_Delete(mirror);
    MIDIData_Delete(song);
    return 0;
}
