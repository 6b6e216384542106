#include "engine/player_state.h"

PlayerState playerState;

void resetPlayerState() {
    PlayerState& p = playerState;
    p.settings = {};
    p.handles = {};
    p.transport = {};
    p.shell = {};
}
