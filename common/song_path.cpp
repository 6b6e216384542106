#include "common/song_path.h"

#include <cstddef>

#include "common/bounded_copy.h"

void formatSongPath(wchar_t (&path)[kSongPathSize], const wchar_t* appDir, const wchar_t* folder,
                    const wchar_t* name) {
    const wchar_t separator[] = {kPathSeparator, L'\0'};
    size_t length = 0;
    // Each part goes after the last, as much of it as still fits.
    for (const wchar_t* part : {appDir, separator, folder, separator, name})
        length += copyTruncated(path + length, kSongPathSize - length, part ? part : L"");
}
