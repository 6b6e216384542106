// Channel-status mirror: a picture of 16 MIDI channels (parts) kept up to
// date from the complete messages that pass a port.
#pragma once

#include <cstdint>

struct MIDIStatus;  // opaque
struct MIDIPart;    // opaque, one per channel, owned by its MIDIStatus

// The player creates its mirrors with (0, 16, 2): module mode 0, 16 parts,
// 2 drum setups. Null when the arguments make no sense or memory runs out.
MIDIStatus* MIDIStatus_Create(int32_t moduleMode, int32_t numParts, int32_t numDrumSetups);
void MIDIStatus_Delete(MIDIStatus* status);  // null is accepted

// Feeds one complete message; system messages change no part. A note-on
// with velocity above 0 holds its key (once, however often it comes), a
// note-off or a note-on with velocity 0 or without its velocity byte
// releases it, and all-sound-off (120), all-notes-off (123) and the mode
// messages 124..127 release every key of their channel. Gives 1 when the
// message was taken in, 0 for one without a status byte, with a data byte
// of 0x80 or more, or too short for its status to mean anything.
int32_t MIDIStatus_PutMIDIMessage(MIDIStatus* status, const uint8_t* message, int32_t length);

MIDIPart* MIDIStatus_GetMIDIPart(MIDIStatus* status, int32_t index);  // null outside 0..numParts-1

int32_t MIDIPart_GetNumNoteKeep(const MIDIPart* part);          // keys held now
int32_t MIDIPart_GetNoteKeep(const MIDIPart* part, int32_t key); // 1 while the key is held
int32_t MIDIPart_GetProgramChange(const MIDIPart* part);
int32_t MIDIPart_GetControlChange(const MIDIPart* part, int32_t controller);
int32_t MIDIPart_GetPitchBend(const MIDIPart* part);            // 0..16383, 8192 centre
int32_t MIDIPart_GetChannelAftertouch(const MIDIPart* part);
int32_t MIDIPart_GetKeyAftertouch(const MIDIPart* part, int32_t key);
