// A timing worker's place in the Windows Multimedia Class Scheduler: while
// a ProAudioTask lives, the calling thread belongs to the system's
// "Pro Audio" task, which keeps it ahead of ordinary work on a busy machine.
// Where the system offers no such task (no avrt.dll, or the service is
// off), nothing changes and the thread keeps the priority it has; the
// portable build does nothing.
#pragma once

class ProAudioTask {
public:
    ProAudioTask();
    ~ProAudioTask();
    ProAudioTask(const ProAudioTask&) = delete;
    ProAudioTask& operator=(const ProAudioTask&) = delete;

private:
    [[maybe_unused]] void* registration_ = nullptr;  // Windows only
};
