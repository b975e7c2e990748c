#pragma once

#include "diarization/AudioSamples.h"

#include <QString>
#include <optional>
#include <stop_token>

// Decodes any audio or video file FFmpeg reads into 16 kHz mono samples.
class AudioFileLoader {
public:
    enum class ChannelMode {
        summed,       // every channel added into one
        firstChannel, // only the first channel
    };

    // Samples from startSeconds up to endSeconds (absent: the end of the file). Throws
    // PlatformError when the file cannot be read, CancelledError when stopToken is cancelled.
    static AudioSamples load(const QString& path, ChannelMode mode, double startSeconds,
                             std::optional<double> endSeconds, std::stop_token stopToken = {});
};
