// The port keeper: keeps the devices the musician chose in play.
//
// A port whose device has gone (a pulled cable) is taken out of play, named
// once in a warning, and opened again by its name as soon as the device is
// back, within half a second; the player plays on meanwhile (a follower
// waits for its master, a master goes on). A device whose previous port is
// still closing is opened once that close is done. Every driver call this
// takes happens on the keeper's own thread, off the player's lock, so the
// window never waits on a driver.
#pragma once

#include <future>

enum class PortSide { input, output };

// The keeper's thread; started with the workers and stopped before the
// ports are released.
bool startPortKeeper();
void stopPortKeeper();

// The caller holds the player's lock and has just taken the side's port out
// of play: whatever the keeper was about to open for that side is dropped.
void portKeeperForget(PortSide side);
// The side's port now in play was opened by `name`: reopen it by that name
// if its device goes.
void portKeeperWatch(PortSide side, const wchar_t* name);
// Open `name` for the side once `closed` is ready (the previous port of the
// same device is still closing), and keep it as portKeeperWatch does.
void portKeeperOpenWhenClosed(PortSide side, const wchar_t* name, std::shared_future<void> closed);
