#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Writes a 16-bit little-endian PCM WAV file; the header's sizes are filled in by finish().
class WavFileWriter {
public:
    WavFileWriter(const std::string& path, int sampleRate, int channels);
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Interleaved samples in the machine's byte order.
    void write(const std::int16_t* samples, std::size_t sampleCount);
    void finish();

private:
    void writeHeader(std::uint32_t dataBytes);
    void check(bool ok) const;

    std::string m_path;
    std::FILE* m_file = nullptr;
    int m_sampleRate;
    int m_channels;
    std::uint64_t m_dataBytes = 0;
};
