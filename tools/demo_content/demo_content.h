// The demo content as a whole: every source under content/ and the file it
// makes under the program folder (content/patterns/X.txt makes pattern/X.mid,
// content/patches/X.txt makes patch/X.mid).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct DemoFile {
    std::filesystem::path source;  // the .txt it was made from
    std::filesystem::path output;  // relative to the program folder, e.g. pattern/Rock 8th.mid
    std::vector<uint8_t> bytes;
};

// The .txt files of a folder, sorted by name.
std::vector<std::filesystem::path> sourceFilesIn(const std::filesystem::path& folder);

std::optional<std::string> readTextFile(const std::filesystem::path& path);

// Makes every file from the sources under `contentFolder`. On any fault
// `errors` holds one "file: line N: ..." message per faulty source and the
// result is whatever the good sources made.
std::vector<DemoFile> makeDemoContent(const std::filesystem::path& contentFolder, std::vector<std::string>& errors);
