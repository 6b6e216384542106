// make_demo_content CONTENT_FOLDER PROGRAM_FOLDER
// Makes the demo patterns and patches from their sources: content/patterns
// into pattern/, content/patches into patch/. Nothing is written unless
// every source is good.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/demo_content/demo_content.h"

namespace {

bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    return bool(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_demo_content CONTENT_FOLDER PROGRAM_FOLDER\n");
        return 2;
    }
    std::vector<std::string> errors;
    std::vector<DemoFile> files = makeDemoContent(argv[1], errors);
    for (const std::string& error : errors) std::fprintf(stderr, "make_demo_content: %s\n", error.c_str());
    if (!errors.empty()) return 1;

    const std::filesystem::path programFolder = argv[2];
    for (const DemoFile& file : files) {
        std::filesystem::path path = programFolder / file.output;
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
        if (!writeFile(path, file.bytes)) {
            std::fprintf(stderr, "make_demo_content: %s: cannot be written\n", path.string().c_str());
            return 1;
        }
        std::printf("%s\n", file.output.generic_string().c_str());
    }
    return 0;
}
