#pragma once

#include <QString>
#include <vector>

// Writes small WAV files for the tests: interleaved samples in [-1, 1].
namespace WavFiles {

void writePcm16(const QString& path, const std::vector<float>& interleaved, int channels,
                int sampleRate = 16000);
void writeFloat32(const QString& path, const std::vector<float>& samples, int sampleRate = 16000);

} // namespace WavFiles
