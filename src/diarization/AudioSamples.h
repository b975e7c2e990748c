#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Mono audio at 16 kHz. Stored as 16-bit values (half the memory of floats, so a two-hour
// recording stays near 230 MB) and read back as 32-bit floats in [-1, 1].
class AudioSamples {
public:
    static constexpr int sampleRate = 16000;

    AudioSamples() = default;
    explicit AudioSamples(std::vector<std::int16_t> pcm)
        : m_pcm(std::move(pcm)) {}

    std::size_t size() const { return m_pcm.size(); }
    bool empty() const { return m_pcm.empty(); }
    double seconds() const { return static_cast<double>(m_pcm.size()) / sampleRate; }
    float at(std::size_t index) const { return static_cast<float>(m_pcm[index]) * (1.0f / 32768.0f); }

    void reserve(std::size_t count) { m_pcm.reserve(count); }
    void append(float value) { m_pcm.push_back(toPcm(value)); }
    void appendSilence(std::size_t count) { m_pcm.insert(m_pcm.end(), count, 0); }
    void append(const AudioSamples& other) {
        m_pcm.insert(m_pcm.end(), other.m_pcm.begin(), other.m_pcm.end());
    }

    const std::vector<std::int16_t>& pcm() const { return m_pcm; }

private:
    static std::int16_t toPcm(float value) {
        const float scaled = value * 32768.0f;
        if (scaled >= 32767.0f)
            return 32767;
        if (scaled <= -32768.0f)
            return -32768;
        return static_cast<std::int16_t>(scaled < 0 ? scaled - 0.5f : scaled + 0.5f);
    }

    std::vector<std::int16_t> m_pcm;
};
