#include "tools/demo_content/demo_content.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "tools/demo_content/patch_file.h"
#include "tools/demo_content/pattern_file.h"

const DemoFolder kDemoFolders[2] = {{"patterns", "pattern"}, {"patches", "patch"}};

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

// The file name is what the player lists: printable ASCII, and nothing that
// Windows refuses in a file name.
bool isPlainFileName(const std::string& name) {
    for (char c : name)
        if (c < 0x20 || c > 0x7E || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    return !name.empty() && name.back() != ' ' && name.back() != '.';
}

std::optional<std::vector<uint8_t>> makeFile(const DemoFolder& folder, std::string_view text, std::string& error) {
    if (std::string_view(folder.outputFolder) == "pattern") {
        auto pattern = parsePatternSource(text, error);
        if (pattern) return patternFile(*pattern);
    } else {
        auto patch = parsePatchSource(text, error);
        if (patch) return patchFile(*patch);
    }
    return std::nullopt;
}

}  // namespace

std::vector<DemoFile> makeDemoContent(const std::filesystem::path& contentFolder, std::vector<std::string>& errors) {
    std::vector<DemoFile> files;
    for (const DemoFolder& folder : kDemoFolders) {
        std::filesystem::path sourceFolder = contentFolder / folder.sourceFolder;
        if (!std::filesystem::is_directory(sourceFolder)) {
            errors.push_back(sourceFolder.string() + ": no such folder");
            continue;
        }
        for (const std::filesystem::path& source : sourceFilesIn(sourceFolder)) {
            std::string stem = source.stem().string();
            std::string error;
            std::optional<std::string> text = readTextFile(source);
            std::optional<std::vector<uint8_t>> bytes;
            if (!isPlainFileName(stem)) error = "the file name must be plain ASCII, fit for Windows";
            else if (!text) error = "cannot be read";
            else bytes = makeFile(folder, *text, error);
            if (!bytes) {
                errors.push_back(source.string() + ": " + error);
                continue;
            }
            files.push_back({source, std::filesystem::path(folder.outputFolder) / (stem + ".mid"), std::move(*bytes)});
        }
    }
    return files;
}
