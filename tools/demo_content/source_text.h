// Line handling shared by the pattern and patch sources: '#' starts a
// comment, blank lines are skipped, "name: value" lines are header fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SourceLine {
    int number;             // 1-based, for messages
    std::string_view text;  // comment cut, blanks trimmed, never empty
};

std::vector<SourceLine> meaningfulLines(std::string_view text);

// "title: Rock 8th" gives name "title" and value "Rock 8th". False when the
// line's first word does not end with ':'.
bool splitField(std::string_view line, std::string_view& name, std::string_view& value);

std::vector<std::string_view> splitWords(std::string_view text);

// A decimal integer within [min, max], nothing else.
std::optional<int32_t> parseInteger(std::string_view text, int32_t min, int32_t max);

// Texts go into the files as plain printable ASCII, so they read the same
// whatever text encoding the player is set to.
bool isPlainAscii(std::string_view text);

std::string lineError(int lineNumber, const std::string& message);
