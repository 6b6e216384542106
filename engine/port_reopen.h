// Putting a device of one side in play: the stored one at start-up, and
// another one as the device dialog's OK does.
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
// User-interface thread only; takes the player's lock itself.
bool reopenPort(PortSide side, const wchar_t* name, const wchar_t* storedName, PortCloseWait waitForClose);

// Start-up, before the workers run (no lock is taken): opens the side's
// stored device, which the port keeper then watches. False when a device is
// named but could not be opened; the window warns then.
bool openStoredPort(PortSide side);
