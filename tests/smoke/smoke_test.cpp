#include <gtest/gtest.h>
#include <thread>
#include "engine/player_state.h"
TEST(Smoke, ResetClearsFields) {
    playerState.tempo = 5;
    std::thread t([] { std::lock_guard<std::mutex> g(playerState.lock); playerState.patternPosition = 3; });
    t.join();
    resetPlayerState();
    EXPECT_EQ(playerState.tempo, 0);
    EXPECT_EQ(playerState.patternPosition, 0);
}
