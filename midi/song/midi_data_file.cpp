// Loading a song from a file: the file is read whole, within the size the
// reader accepts, then parsed from memory.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "common/file_access.h"
#include "midi/song/midi_data.h"

namespace {

// One byte more than the reader accepts, so a larger file is recognised
// without reading all of it.
constexpr size_t readLimit = kMaxSongFileSize + 1;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

MIDIData* loadFile(const wchar_t* path) {
    std::unique_ptr<std::FILE, FileCloser> file(openFile(path, "rb"));
    if (!file) return nullptr;
    std::vector<uint8_t> bytes;
    size_t used = 0;
    while (used < readLimit) {
        bytes.resize(std::min(readLimit, std::max<size_t>(used * 2, 65536)));
        size_t wanted = bytes.size() - used;
        size_t got = std::fread(bytes.data() + used, 1, wanted, file.get());
        used += got;
        if (got < wanted) {
            if (std::ferror(file.get())) return nullptr;
            break;  // end of file
        }
    }
    if (used >= readLimit) return nullptr;
    return MIDIData_LoadFromMemory(bytes.data(), used);
}

}  // namespace

MIDIData* MIDIData_LoadFromSMFW(const wchar_t* path) {
    if (path == nullptr) return nullptr;
    try {
        return loadFile(path);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
