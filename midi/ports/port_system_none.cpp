// Builds without system MIDI devices: only virtual ports exist.
#include "midi/ports/port_backend.h"

const MIDIPortBackend* systemPortBackend() {
    return nullptr;
}

void holdFineTimer() {}
void releaseFineTimer() {}
