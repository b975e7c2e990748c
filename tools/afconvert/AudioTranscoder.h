#pragma once

#include <string>

// Decodes the best audio stream of any file FFmpeg reads and writes it as 16-bit PCM WAV at the
// given rate, keeping the channel count. Throws std::runtime_error with the reason.
class AudioTranscoder {
public:
    static void transcode(const std::string& sourcePath, const std::string& destinationPath, int sampleRate);
};
