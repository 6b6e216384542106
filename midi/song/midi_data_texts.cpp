// The four texts of a song: which meta events give them, and copying them
// out to the caller's buffer.
#include <algorithm>
#include <atomic>

#include "common/bounded_copy.h"
#include "midi/song/midi_data_song.h"
#include "midi/song/text_decoding.h"

namespace {

std::atomic<int32_t> defaultCodePage{1252};

std::wstring decodeMetaText(const MIDIEvent& event, int32_t codePage) {
    std::wstring text = decodeText(std::span<const uint8_t>(event.data + 2, event.length - 2), codePage);
    // Some writers pad their texts with NULs; the text ends at the first.
    text.resize(std::min(text.size(), text.find(L'\0')));
    return text;
}

int32_t copyText(const std::wstring& text, wchar_t* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0) return 0;
    size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
    // Never keep half of a surrogate pair.
    if (count > 0 && count < text.size() && sizeof(wchar_t) == 2 &&
        text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF)
        --count;
    return static_cast<int32_t>(
        copyTruncated(buffer, static_cast<size_t>(size), std::wstring_view(text).substr(0, count)));
}

}  // namespace

void MIDIDataLib_SetDefaultCharCode(int32_t codePage) { defaultCodePage = codePage; }

int32_t currentDefaultCodePage() { return defaultCodePage; }

void readSongTexts(MIDIData& song, int32_t codePage) {
    if (song.tracks.empty()) return;
    const MIDITrack& first = song.tracks.front();
    int trackNamesSeen = 0;
    bool copyrightSeen = false;
    bool commentSeen = false;
    for (int32_t i = 0; i < first.eventCount; ++i) {
        const MIDIEvent& event = first.events[i];
        if (event.length < 2 || event.data[0] != 0xFF) continue;
        uint8_t type = event.data[1];
        if (type == 0x03 && trackNamesSeen < 2) {
            (trackNamesSeen == 0 ? song.title : song.subTitle) = decodeMetaText(event, codePage);
            ++trackNamesSeen;
        } else if (type == 0x02 && !copyrightSeen) {
            song.copyright = decodeMetaText(event, codePage);
            copyrightSeen = true;
        } else if (type == 0x01 && !commentSeen) {
            song.comment = decodeMetaText(event, codePage);
            commentSeen = true;
        }
    }
}

int32_t MIDIData_GetTitleW(const MIDIData* song, wchar_t* buffer, int32_t size) {
    return copyText(song ? song->title : std::wstring(), buffer, size);
}

int32_t MIDIData_GetSubTitleW(const MIDIData* song, wchar_t* buffer, int32_t size) {
    return copyText(song ? song->subTitle : std::wstring(), buffer, size);
}

int32_t MIDIData_GetCopyrightW(const MIDIData* song, wchar_t* buffer, int32_t size) {
    return copyText(song ? song->copyright : std::wstring(), buffer, size);
}

int32_t MIDIData_GetCommentW(const MIDIData* song, wchar_t* buffer, int32_t size) {
    return copyText(song ? song->comment : std::wstring(), buffer, size);
}
