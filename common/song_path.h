// Where a song file lives: "<appDir><separator><folder><separator><name>",
// cut to the length the players keep. Start-up and the players share it;
// the program folder comes from the caller.
#pragma once

// Longest song path kept: longer paths are cut, so a load of the cut path
// fails with the path in its warning.
constexpr int kSongPathSize = 256;

// The folder separator of song paths: a backslash on Windows; the portable
// build, which runs the tests on Linux, uses '/' so the same code opens the
// test folders there.
#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

// The path into `path` (kSongPathSize characters), cut at 255 characters and
// terminated.
void formatSongPath(wchar_t (&path)[kSongPathSize], const wchar_t* appDir, const wchar_t* folder,
                    const wchar_t* name);
