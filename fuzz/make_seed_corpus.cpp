// Writes the fuzzer's seed corpus: small files that reach every part of
// the reader. Build and run from the repository root:
//   cmake --preset fuzz && cmake --build --preset fuzz --target make_seed_corpus && build/fuzz/fuzz/make_seed_corpus fuzz/corpus
#include <fstream>
#include <string>

#include "tests/support/smf_builder.h"

namespace {

void write(const std::string& directory, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(directory + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string directory = argv[1];

    SmfBuilder rock(480, 0);
    auto& beat = rock.track()
                     .trackName(0, "Rock 1")
                     .text(0, 0x02, "(c) Quillbex")
                     .text(0, 0x01, "One bar")
                     .tempo(0, 500000)
                     .timeSignature(0, 4, 2);
    for (int eighth = 0; eighth < 8; ++eighth) {
        int tick = eighth * 240;
        beat.noteOn(tick, 9, 42, 80).message(tick, {uint8_t(eighth % 4 == 0 ? 36 : 38), 100});
        beat.message(tick + 120, {42, 0});
    }
    beat.endOfTrack(1920);
    write(directory, "format0-rock.mid", rock.bytes());

    SmfBuilder twoTracks(96, 1);
    twoTracks.track().trackName(0, "Song").trackName(0, "Verse").tempo(0, 600000).timeSignature(0, 3, 2)
        .tempo(192, 400000).timeSignature(288, 6, 3).endOfTrack(384);
    twoTracks.track().message(0, {0xC9, 0}).message(0, {0xB9, 7, 100}).noteOn(0, 9, 36, 100)
        .noteOff(48, 9, 36, 0).message(60, {0xE9, 0, 0x40}).message(70, {0xA9, 36, 10})
        .message(80, {0xD9, 5}).endOfTrack(384);
    write(directory, "format1-two-tracks.mid", twoTracks.bytes());

    SmfBuilder sequences(120, 2);
    sequences.track().noteOn(0, 0, 60, 100).noteOn(120, 0, 60, 0).endOfTrack(240);
    sequences.track().noteOn(10, 1, 62, 100).endOfTrack(120);
    write(directory, "format2.mid", sequences.bytes());

    SmfBuilder frames(0xE728, 0);
    frames.track().noteOn(0, 9, 36, 100).noteOn(40, 9, 36, 0).endOfTrack(1000);
    write(directory, "frames-25.mid", frames.bytes());

    SmfBuilder sysex(480, 1);
    sysex.chunk("XFIH", {0, 1, 2, 3});
    sysex.track().sysex(0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}).sysex(10, 0xF0, {0x43, 0x10})
        .sysex(20, 0xF7, {0x4C, 0xF7}).sysex(30, 0xF7, {0xF8}).meta(40, 0x7F, {0, 0, 0x41}).endOfTrack(480);
    write(directory, "sysex-and-unknown-chunk.mid", sysex.bytes());

    SmfBuilder open(480, 0);
    open.rawTrack().noteOn(0, 9, 36, 100).message(480, {36, 0});
    write(directory, "no-end-of-track.mid", open.bytes());

    SmfBuilder wide(480, 0);
    wide.track().meta(0, 0x03, {0xFF, 0xFE, 'B', 0, 0x3E, 0xD8, 0x41, 0xDD}).meta(0, 0x03, {0x83, 0x68, 0x83, 0x89})
        .meta(0, 0x01, {0xE2, 0x82, 0xAC, 0}).endOfTrack(0);
    write(directory, "texts.mid", wide.bytes());
    return 0;
}
