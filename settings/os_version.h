// The version of the operating system, for the choice of the default MIDI
// output device.
#pragma once

struct OsVersion {
    int major = 0;
    int minor = 0;
};

// On Windows what GetVersionExW reports: 6.2 for every Windows from 8 on
// unless the program's manifest claims a later one, which is all the
// settings need. Elsewhere 0.0: not Windows, so no Windows device exists.
OsVersion currentOsVersion();
