// Putting another device of one side in play, as the device dialog's OK
// does. User-interface thread only; takes the player's lock itself.
#pragma once

#include <cstdint>
#include <future>

#include "engine/port_keeper.h"

// Waits at most `timeoutMs` for `closed`, keeping the caller's thread
// answering what it must meanwhile; true when it is ready.
using PortCloseWait = bool (*)(const std::shared_future<void>& closed, uint32_t timeoutMs);

// The side's old port leaves play under the lock and is closed aside; the
// device `name` (null for none) is opened off the lock and put in play under
// it, and the port keeper watches it. `storedName` is what the settings
// would keep for `name`: when it names the device of the old port, the open
// first waits up to a second for the old port's close, and if that takes
// longer the keeper opens the device once it is closed. True when the
// device is open or about to be.
bool reopenPort(PortSide side, const wchar_t* name, const wchar_t* storedName, PortCloseWait waitForClose);
