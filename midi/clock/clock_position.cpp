#include "midi/clock/clock_position.h"

#include <algorithm>

#include "midi/clock/midi_clock.h"
#include "midi/clock/midi_clock_math.h"
#include "midi/midi_bytes.h"

using clockmath::mulDivFloor;

namespace {

int64_t ceilDiv(int64_t a, int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -(-a / b);
}

}  // namespace

TickRate ClockCore::tickRate() const {
    switch (timeMode) {
    case kTicksPerQuarterNoteTimeMode: return {resolution, static_cast<int64_t>(tempo) * 1000};
    case 29: return {static_cast<int64_t>(resolution) * 30000, int64_t{1001} * 1000000000};
    default: return {static_cast<int64_t>(resolution) * timeMode, 1000000000};
    }
}

int64_t ClockCore::positionAt(int64_t now, int64_t ceiling) const {
    if (!running) return anchorPosition;
    const int64_t elapsed = std::max<int64_t>(now - anchorTime, 0);
    return std::max(anchorPosition, std::min(anchorPosition + elapsed, ceiling));
}

int64_t ClockCore::timeOfPosition(int64_t position, int64_t ceiling) const {
    if (!running || position > ceiling || position == kNoCeiling) return kMIDIClockUnknownTime;
    if (position <= anchorPosition) return anchorTime;
    return anchorTime + (position - anchorPosition);
}

int64_t PositionTicks::tickAt(TickRate rate, int64_t position) const {
    int64_t rest = 0;
    const int64_t whole = mulDivFloor(position - basePosition, rate.ticks, rate.nanoseconds, &rest);
    return base + whole + (rest + fraction) / rate.nanoseconds;
}

int64_t PositionTicks::positionOfTick(TickRate rate, int64_t tick) const {
    int64_t rest = 0;
    const int64_t whole = mulDivFloor(tick - base, rate.nanoseconds, rate.ticks, &rest);
    if (whole >= kNoCeiling / 2 || whole <= -kNoCeiling / 2) return kNoCeiling;
    return basePosition + whole + ceilDiv(rest - fraction, rate.ticks);
}

void PositionTicks::foldTo(TickRate rate, int64_t position) {
    int64_t rest = 0;
    const int64_t whole = mulDivFloor(position - basePosition, rate.ticks, rate.nanoseconds, &rest);
    const int64_t total = rest + fraction;
    base += whole + total / rate.nanoseconds;
    fraction = total % rate.nanoseconds;
    basePosition = position;
}

void PositionTicks::rescale(TickRate oldRate, TickRate newRate) {
    if (newRate.nanoseconds != oldRate.nanoseconds)
        fraction = mulDivFloor(fraction, newRate.nanoseconds, oldRate.nanoseconds);
}
