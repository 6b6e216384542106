#include "tools/demo_content/pattern_source.h"

#include "tools/demo_content/drum_key_names.h"
#include "tools/demo_content/source_text.h"

std::optional<uint8_t> velocityOfStep(char step) {
    switch (step) {
    case '.': case '-': return 0;
    case 'g': return 40;             // ghost note
    case 'x': case 'o': return 100;  // a plain hit
    case 'X': case 'O': return 127;  // accent
    default:
        if (step >= '1' && step <= '9') return uint8_t(((step - '0') * 127 + 4) / 9);
        return std::nullopt;
    }
}

namespace {

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

// "6/8": beats per bar and the note value of a beat.
bool parseMeter(std::string_view text, PatternSource& pattern) {
    size_t slash = text.find('/');
    if (slash == std::string_view::npos) return false;
    auto beats = parseInteger(text.substr(0, slash), 1, 32);
    auto note = parseInteger(text.substr(slash + 1), 1, 32);
    if (!beats || !note || !isPowerOfTwo(*note)) return false;
    pattern.beatsPerBar = *beats;
    pattern.beatNote = *note;
    return true;
}

bool readField(std::string_view name, std::string_view value, PatternSource& pattern, std::string& problem) {
    auto integer = [&](int32_t& field, int32_t min, int32_t max) {
        auto parsed = parseInteger(value, min, max);
        if (!parsed) problem = std::string(name) + " must be a number from " + std::to_string(min) + " to " +
                               std::to_string(max);
        else field = *parsed;
        return parsed.has_value();
    };
    if (name == "title" || name == "comment") {
        if (!isPlainAscii(value)) {
            problem = std::string(name) + " must be plain ASCII text";
            return false;
        }
        (name == "title" ? pattern.title : pattern.comment) = value;
        return true;
    }
    if (name == "meter") {
        if (!parseMeter(value, pattern)) problem = "meter must read like 4/4 or 6/8";
        return problem.empty();
    }
    if (name == "tempo") return integer(pattern.quartersPerMinute, 20, 300);
    if (name == "resolution") return integer(pattern.resolution, 1, 32767);
    if (name == "steps") return integer(pattern.stepsPerBeat, 1, 32);
    if (name == "swing") return integer(pattern.swingPercent, 50, 75);
    problem = "unknown field '" + std::string(name) + "'";
    return false;
}

// "snare  |.... X... |" : the label, then the steps; blanks and bar lines
// only help the eye.
bool readRow(const SourceLine& line, PatternSource& pattern, std::string& problem) {
    std::string_view label = line.text.substr(0, line.text.find_first_of(" \t|"));
    DrumRow row;
    row.lineNumber = line.number;
    auto key = drumKeyOfLabel(label);
    if (!key) {
        problem = "unknown drum '" + std::string(label) + "'";
        return false;
    }
    row.key = *key;
    for (char c : line.text.substr(label.size())) {
        if (c == ' ' || c == '\t' || c == '|') continue;
        auto velocity = velocityOfStep(c);
        if (!velocity) {
            problem = std::string("'") + c + "' is no step: use . for a rest, g x X or 1 to 9 for a hit";
            return false;
        }
        row.velocities.push_back(*velocity);
    }
    for (const DrumRow& other : pattern.rows)
        if (other.key == row.key) {
            problem = "drum " + std::to_string(row.key) + " already has the row on line " +
                      std::to_string(other.lineNumber);
            return false;
        }
    pattern.rows.push_back(std::move(row));
    return true;
}

// What the fields and rows must agree on, once all are read.
std::string checkWhole(const PatternSource& p) {
    if (p.title.empty()) return "the pattern has no title";
    if (p.quartersPerMinute == 0) return "the pattern has no tempo";
    if (p.stepsPerBeat == 0) return "the pattern has no steps";
    if (p.rows.empty()) return "the pattern has no drum rows";
    int32_t ticksPerBeat = p.resolution * 4 / p.beatNote;
    if (p.resolution * 4 % p.beatNote != 0 || ticksPerBeat % p.stepsPerBeat != 0)
        return "at this resolution a beat cannot be split into " + std::to_string(p.stepsPerBeat) +
               " steps of whole ticks";
    if (p.swingPercent != 50 && p.stepsPerBeat % 2 != 0) return "swing needs an even number of steps per beat";
    int32_t stepsPerBar = p.beatsPerBar * p.stepsPerBeat;
    for (const DrumRow& row : p.rows) {
        if (row.velocities.size() != p.rows.front().velocities.size())
            return lineError(row.lineNumber, "the row has " + std::to_string(row.velocities.size()) +
                                                 " steps, the first row " +
                                                 std::to_string(p.rows.front().velocities.size()));
    }
    size_t steps = p.rows.front().velocities.size();
    if (steps == 0 || steps % stepsPerBar != 0)
        return lineError(p.rows.front().lineNumber, "the rows must fill whole bars of " +
                                                        std::to_string(stepsPerBar) + " steps");
    return {};
}

}  // namespace

std::optional<PatternSource> parsePatternSource(std::string_view text, std::string& error) {
    PatternSource pattern;
    for (const SourceLine& line : meaningfulLines(text)) {
        std::string problem;
        std::string_view name, value;
        bool read = splitField(line.text, name, value) ? readField(name, value, pattern, problem)
                                                        : readRow(line, pattern, problem);
        if (!read) {
            error = lineError(line.number, problem);
            return std::nullopt;
        }
    }
    error = checkWhole(pattern);
    if (!error.empty()) return std::nullopt;
    pattern.stepCount = int32_t(pattern.rows.front().velocities.size());
    return pattern;
}
