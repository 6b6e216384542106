// The loop-back ports: an input and an output port that a test program
// reaches from outside the process over two Windows named pipes. They exist
// only while the environment variable QUILLBEX_LOOPBACK_PIPE holds a pipe
// name prefix; without it the program has no trace of them.
//
// The test program creates both pipes as servers before it starts the
// program; a port connects to its pipe as a client when it is opened. Every
// message crosses a pipe as a frame: its length in two bytes, low byte
// first, then the message's bytes.
#pragma once

#include <cstdint>
#include <string>

inline constexpr wchar_t kLoopbackPipeVariable[] = L"QUILLBEX_LOOPBACK_PIPE";
inline constexpr wchar_t kLoopbackInputName[] = L"Quillbex Loopback In";
inline constexpr wchar_t kLoopbackOutputName[] = L"Quillbex Loopback Out";
inline constexpr int32_t kLoopbackFrameHeader = 2;

// The pipe that carries messages into the program's input port, and the one
// that carries the program's output port out.
inline std::wstring loopbackInputPipeName(const std::wstring& prefix) {
    return L"\\\\.\\pipe\\" + prefix + L".in";
}
inline std::wstring loopbackOutputPipeName(const std::wstring& prefix) {
    return L"\\\\.\\pipe\\" + prefix + L".out";
}
