// smfdump: prints what the song data service reads from a Standard MIDI File.
#include <cstdio>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "midi/song/midi_data.h"
#include "midi/song/text_decoding.h"
#include "tools/smf_summary.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

void writeOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

int run(const std::vector<std::wstring>& arguments) {
#ifdef _WIN32
    // UTF-8 bytes and "\n" line ends exactly as on every other platform.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    SmfdumpOptions options;
    std::string error;
    switch (parseSmfdumpArguments(arguments, options, error)) {
    case SmfdumpCommand::Help:
        writeOut(smfdumpUsage);
        return 0;
    case SmfdumpCommand::UsageError:
        std::fprintf(stderr, "smfdump: %s\n%s", error.c_str(), smfdumpUsage);
        return 2;
    case SmfdumpCommand::Dump:
        break;
    }
    MIDIDataLib_SetDefaultCharCode(options.codePage);
    MIDIData* song = MIDIData_LoadFromSMFW(options.path.c_str());
    if (song == nullptr) {
        std::fprintf(stderr, "smfdump: %s: cannot be read or is not a valid Standard MIDI File\n",
                     wideToUtf8(options.path).c_str());
        return 1;
    }
    writeOut(formatSongSummary(song));
    if (options.events) writeOut(formatSongEvents(song));
    MIDIData_Delete(song);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    return run(std::vector<std::wstring>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        arguments.push_back(decodeText(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(argument.data()), argument.size()), 65001));
    }
    return run(arguments);
}
#endif
