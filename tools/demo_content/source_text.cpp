#include "tools/demo_content/source_text.h"

#include <charconv>

namespace {

constexpr std::string_view blanks = " \t\r";

std::string_view trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

std::vector<SourceLine> meaningfulLines(std::string_view text) {
    std::vector<SourceLine> lines;
    int number = 0;
    while (!text.empty()) {
        ++number;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        line = trimmed(line.substr(0, line.find('#')));
        if (!line.empty()) lines.push_back({number, line});
    }
    return lines;
}

bool splitField(std::string_view line, std::string_view& name, std::string_view& value) {
    size_t wordEnd = line.find_first_of(blanks);
    std::string_view word = line.substr(0, wordEnd);
    if (word.size() < 2 || word.back() != ':') return false;
    name = word.substr(0, word.size() - 1);
    value = wordEnd == std::string_view::npos ? std::string_view() : trimmed(line.substr(wordEnd));
    return true;
}

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    size_t start = text.find_first_not_of(blanks);
    while (start != std::string_view::npos) {
        size_t end = text.find_first_of(blanks, start);
        words.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        start = text.find_first_not_of(blanks, end);
    }
    return words;
}

std::optional<int32_t> parseInteger(std::string_view text, int32_t min, int32_t max) {
    int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

bool isPlainAscii(std::string_view text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

std::string lineError(int lineNumber, const std::string& message) {
    return "line " + std::to_string(lineNumber) + ": " + message;
}
