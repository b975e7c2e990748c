#pragma once

#include "models/MeetingRecording.h"
#include "models/TranscriptDocument.h"
#include "models/TranscriptionProgress.h"

#include <functional>
#include <stop_token>

// Turns a recording into a transcript document. Synchronous: runs on the caller's worker
// thread, calls progress before each step, throws CancelledError once the token is cancelled.
class TranscriptionService {
public:
    using ProgressCallback = std::function<void(const TranscriptionProgress&)>;

    virtual ~TranscriptionService() = default;

    virtual TranscriptDocument transcribe(const MeetingRecording& recording, const ProgressCallback& progress,
                                          std::stop_token stopToken) = 0;
};
