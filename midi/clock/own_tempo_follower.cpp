#include "midi/clock/own_tempo_follower.h"

int64_t OwnTempoFollower::tickAt(const ClockCore& core, int64_t now) const {
    return ticks_.tickAt(core.tickRate(), positionAt(core, now));
}


void OwnTempoFollower::setTick(ClockCore& core, int64_t tick, int64_t now) {
    rebase(core, now);
    ticks_.base = tick;
}

void OwnTempoFollower::setPosition(ClockCore& core, int64_t position) {
    core.anchorPosition = position;
    ticks_.basePosition = position;
}
