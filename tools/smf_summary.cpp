// Formatting of smfdump's output and reading of its command line.
#include "tools/smf_summary.h"

#include "common/utf8.h"

namespace {

void appendLine(std::string& out, const char* key, const std::string& value) {
    out += key;
    out += ": ";
    out += value;
    out += '\n';
}

void appendNumber(std::string& out, const char* key, int32_t value) {
    appendLine(out, key, std::to_string(value));
}

using TextGetter = int32_t (*)(const MIDIData*, wchar_t*, int32_t);

std::string songText(const MIDIData* song, TextGetter getter) {
    std::vector<wchar_t> buffer(1024);
    getter(song, buffer.data(), static_cast<int32_t>(buffer.size()));
    return wideToUtf8(buffer.data());
}

// Each kind of irregularity the reader recovers from, as smfdump names it.
struct RecoveryName {
    MIDIDataRecovery kind;
    const char* name;
};
constexpr RecoveryName recoveryNames[] = {
    {MIDIDataRecovery::ResumedRunningStatus, "resumed-running-status"},
    {MIDIDataRecovery::StraySystemMessages, "stray-system-messages"},
    {MIDIDataRecovery::TruncatedTrack, "truncated-track"},
    {MIDIDataRecovery::MissingTracks, "missing-tracks"},
};

// "name count" for each kind recovered at least once, comma-separated.
std::string recoveries(const MIDIData* song) {
    std::string out;
    for (const RecoveryName& recovery : recoveryNames) {
        int32_t count = MIDIData_GetRecoveryCount(song, recovery.kind);
        if (count == 0) continue;
        if (!out.empty()) out += ", ";
        out += recovery.name;
        out += ' ';
        out += std::to_string(count);
    }
    return out;
}

bool parseCodePage(const std::wstring& text, int32_t& codePage) {
    if (text.empty() || text.size() > 9) return false;
    int32_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    codePage = value;
    return true;
}

}  // namespace

const char smfdumpUsage[] =
    "usage: smfdump [--events] [--codepage N] FILE\n"
    "Prints the properties of a Standard MIDI File, one \"key: value\" line each:\n"
    "format, tracks, time-mode (0 = ticks per quarter note; 24, 25, 29 = 29.97, 30 =\n"
    "frames per second), resolution, begin and end (ticks of the first and last event,\n"
    "end of track included), duration-ms (of the end), end-position (measure:beat:tick\n"
    "of the end, counted from 1:1:0; for frame-based files second:frame:tick), title,\n"
    "subtitle (first and second track name of the first track), copyright (its first\n"
    "copyright notice), comment (its first text event) and recovered (the irregularities\n"
    "the reader recovered from, each with its count: resumed-running-status,\n"
    "stray-system-messages, truncated-track, missing-tracks; empty for a regular file).\n"
    "  --events       then one line per event: track (from 0), tick, and the bytes in\n"
    "                 hex as they would go on the wire (running status expanded, meta\n"
    "                 events as FF <type> <data> without the length).\n"
    "  --codepage N   Windows code page of the texts (1200 and 1201 for UTF-16 LE/BE,\n"
    "                 65001 for UTF-8); default 1252. Texts are printed as UTF-8.\n"
    "Exit code 0 on success, 1 when the file cannot be read or is malformed, 2 on a\n"
    "usage error.\n";

std::string formatSongSummary(const MIDIData* song) {
    std::string out;
    int32_t timeMode = 0;
    int32_t resolution = 0;
    MIDIData_GetTimeBase(song, &timeMode, &resolution);
    int32_t end = MIDIData_GetEndTime(song);
    int32_t measure = 0, beat = 0, tick = 0;
    MIDIData_BreakTime(song, end, &measure, &beat, &tick);

    appendNumber(out, "format", MIDIData_GetFormat(song));
    appendNumber(out, "tracks", MIDIData_CountTrack(song));
    appendNumber(out, "time-mode", timeMode);
    appendNumber(out, "resolution", resolution);
    appendNumber(out, "begin", MIDIData_GetBeginTime(song));
    appendNumber(out, "end", end);
    appendNumber(out, "duration-ms", MIDIData_TimeToMillisec(song, end));
    appendLine(out, "end-position",
               std::to_string(int64_t{measure} + 1) + ":" + std::to_string(beat + 1) + ":" + std::to_string(tick));
    appendLine(out, "title", songText(song, MIDIData_GetTitleW));
    appendLine(out, "subtitle", songText(song, MIDIData_GetSubTitleW));
    appendLine(out, "copyright", songText(song, MIDIData_GetCopyrightW));
    appendLine(out, "comment", songText(song, MIDIData_GetCommentW));
    appendLine(out, "recovered", recoveries(song));
    return out;
}

std::string formatSongEvents(const MIDIData* song) {
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string out;
    int trackIndex = 0;
    for (MIDITrack* track = MIDIData_GetFirstTrack(song); track; track = MIDITrack_GetNextTrack(track)) {
        std::string prefix = std::to_string(trackIndex) + ' ';
        for (MIDIEvent* event = MIDITrack_GetFirstEvent(track); event; event = MIDIEvent_GetNextEvent(event)) {
            out += prefix;
            out += std::to_string(event->time);
            for (int32_t i = 0; i < event->length; ++i) {
                out += ' ';
                out += hexDigits[event->data[i] >> 4];
                out += hexDigits[event->data[i] & 0x0F];
            }
            out += '\n';
        }
        ++trackIndex;
    }
    return out;
}

SmfdumpCommand parseSmfdumpArguments(const std::vector<std::wstring>& arguments,
                                     SmfdumpOptions& options, std::string& error) {
    bool havePath = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--help" || argument == L"-h") return SmfdumpCommand::Help;
        if (argument == L"--events") {
            options.events = true;
        } else if (argument == L"--codepage" || argument.starts_with(L"--codepage=")) {
            std::wstring value;
            if (argument == L"--codepage") {
                if (i + 1 >= arguments.size()) {
                    error = "--codepage needs a number";
                    return SmfdumpCommand::UsageError;
                }
                value = arguments[++i];
            } else {
                value = argument.substr(11);
            }
            if (!parseCodePage(value, options.codePage)) {
                error = "not a code page number: " + wideToUtf8(value);
                return SmfdumpCommand::UsageError;
            }
        } else if (argument.size() > 1 && argument[0] == L'-' && argument != L"--") {
            error = "unknown option " + wideToUtf8(argument);
            return SmfdumpCommand::UsageError;
        } else {
            if (argument == L"--") {
                if (i + 1 >= arguments.size()) break;
                ++i;
            }
            if (havePath) {
                error = "only one file, please";
                return SmfdumpCommand::UsageError;
            }
            options.path = arguments[i];
            havePath = true;
        }
    }
    if (!havePath) {
        error = "no file given";
        return SmfdumpCommand::UsageError;
    }
    return SmfdumpCommand::Dump;
}
