#include "common/pro_audio_task.h"

ProAudioTask::ProAudioTask() = default;
ProAudioTask::~ProAudioTask() = default;
