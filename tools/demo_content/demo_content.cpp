#include "tools/demo_content/demo_content.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "tools/demo_content/patch_file.h"
#include "tools/demo_content/pattern_file.h"

std::vector<std::filesystem::path> sourceFilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file() && entry.path().extension() == ".txt") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<std::string> readTextFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) return std::nullopt;
    return text;
}

namespace {

bool isPrintableAscii(std::filesystem::path::value_type c) { return c >= 0x20 && c <= 0x7E; }

// The file name is what the player lists: printable ASCII, and nothing that
// Windows refuses in a file name. Checked on the native characters, since
// converting others to a narrow string can fail on Windows.
bool isPlainFileName(const std::filesystem::path::string_type& name) {
    for (auto c : name)
        if (!isPrintableAscii(c) || std::string_view("<>:\"/\\|?*").find(char(c)) != std::string_view::npos)
            return false;
    return !name.empty() && name.back() != ' ' && name.back() != '.';
}

// A path for a message, whatever characters it holds.
std::string printable(const std::filesystem::path& path) {
    std::string text;
    for (auto c : path.native()) text += isPrintableAscii(c) ? char(c) : '?';
    return text;
}

using FileBytes = std::optional<std::vector<uint8_t>>;

FileBytes makePattern(std::string_view text, std::string& error) {
    auto pattern = parsePatternSource(text, error);
    return pattern ? FileBytes(patternFile(*pattern)) : std::nullopt;
}

FileBytes makePatch(std::string_view text, std::string& error) {
    auto patch = parsePatchSource(text, error);
    return patch ? FileBytes(patchFile(*patch)) : std::nullopt;
}

// A source folder under content/, the program folder it fills, and how.
struct DemoFolder {
    const char* sourceFolder;
    const char* outputFolder;
    FileBytes (*make)(std::string_view text, std::string& error);
};

constexpr DemoFolder demoFolders[] = {{"patterns", "pattern", makePattern}, {"patches", "patch", makePatch}};

}  // namespace

std::vector<DemoFile> makeDemoContent(const std::filesystem::path& contentFolder, std::vector<std::string>& errors) {
    std::vector<DemoFile> files;
    for (const DemoFolder& folder : demoFolders) {
        std::filesystem::path sourceFolder = contentFolder / folder.sourceFolder;
        if (!std::filesystem::is_directory(sourceFolder)) {
            errors.push_back(printable(sourceFolder) + ": no such folder");
            continue;
        }
        for (const std::filesystem::path& source : sourceFilesIn(sourceFolder)) {
            std::string error;
            std::optional<std::string> text = readTextFile(source);
            FileBytes bytes;
            if (!isPlainFileName(source.stem().native())) error = "the file name must be plain ASCII, fit for Windows";
            else if (!text) error = "cannot be read";
            else bytes = folder.make(*text, error);
            if (!bytes) {
                errors.push_back(printable(source) + ": " + error);
                continue;
            }
            std::string name = source.stem().string() + ".mid";
            files.push_back({source, std::filesystem::path(folder.outputFolder) / name, std::move(*bytes)});
        }
    }
    return files;
}
