// Where the program keeps its files: the folder of the program file, or the
// folder above it when the program was built into a "Debug" or "Release"
// folder, so that a developer's build finds the same Quillbex.ini, pattern/
// and patch/ as the installed program.
#pragma once

#include <optional>
#include <string>

// The program folder for a program file at `moduleFileName` (a full path as
// GetModuleFileNameW gives it), without a trailing backslash: the drive and
// folder of the file, less a final "\Debug\", "\Release\", "\DebugU\" or
// "\ReleaseU\" (exact letter case), else less the final backslash. A program
// at a drive's root gives the drive alone ("C:"). None when the folder takes
// more than 1023 characters: a cut path would name another folder.
std::optional<std::wstring> appDirOfModule(const std::wstring& moduleFileName);

// The folder that holds the program file itself, where its language modules
// lie: everything before the last separator ("C:" at a drive's root).
std::wstring folderOfModule(const std::wstring& moduleFileName);

// "<appDir>\Quillbex.ini". Never cut: a cut path would name another file.
std::wstring settingsPathOf(const std::wstring& appDir);
