// Raises the calling thread's priority one step above normal where the
// platform allows it; elsewhere it does nothing. The MIDI input thread calls
// it so that received messages are handled ahead of the players' passes.
#pragma once

void raiseCurrentThreadPriority();
