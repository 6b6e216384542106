#include "midi/clock/own_tempo_follower.h"

int64_t OwnTempoFollower::tickAt(const ClockCore& core, int64_t now) const {
    return ticks_.tickAt(core.tickRate(), positionAt(core, now));
}

int64_t OwnTempoFollower::timeOfTick(const ClockCore& core, int64_t tick) const {
    return timeOfPosition(core, ticks_.positionOfTick(core.tickRate(), tick));
}

void OwnTempoFollower::rebase(ClockCore& core, int64_t now) {
    const int64_t position = positionAt(core, now);
    ticks_.foldTo(core.tickRate(), position);
    core.anchorAt(position, now);
}

void OwnTempoFollower::setTick(ClockCore& core, int64_t tick, int64_t now) {
    rebase(core, now);
    ticks_.base = tick;
}

void OwnTempoFollower::setPosition(ClockCore& core, int64_t position) {
    core.anchorPosition = position;
    ticks_.basePosition = position;
}
