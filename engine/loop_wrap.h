// Where a tick falls within the pattern's loop: the one place that wraps a
// tick into the loop, for the wrap at the pattern's end, a jump of the
// clock and a received song position alike.
#pragma once

#include <cstdint>

// `tick` brought into [0, loopLength) (loopLength > 0): a tick before 0
// counts back from the loop's end, as a time code located before the
// pattern's start does.
constexpr int64_t wrapIntoLoop(int64_t tick, int64_t loopLength) {
    const int64_t within = tick % loopLength;
    return within < 0 ? within + loopLength : within;
}
