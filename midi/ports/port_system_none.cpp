// Builds without system MIDI devices and without named pipes: only virtual
// ports exist.
#include "midi/ports/port_backend.h"

const MIDIPortBackend* systemPortBackend() {
    return nullptr;
}

const MIDIPortBackend* loopbackPortBackend() {
    return nullptr;
}

void holdFineTimer() {}
void releaseFineTimer() {}
