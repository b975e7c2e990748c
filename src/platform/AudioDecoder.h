#pragma once

#include <QString>
#include <functional>
#include <memory>

// Decodes the best audio stream of any file FFmpeg reads and resamples it to interleaved
// samples of one format at a chosen rate, keeping the channel count.
class AudioDecoder {
public:
    enum class SampleFormat {
        int16,
        float32,
    };
    enum class DamagedPackets {
        fail, // decoding stops with an error
        skip, // the packet is passed over, as players do
    };
    // Receives `frames` interleaved frames of channels() samples each; returns false to stop.
    using Consumer = std::function<bool(const void* samples, int frames)>;

    // Throws PlatformError when the file cannot be opened or holds no audio stream.
    AudioDecoder(const QString& path, int sampleRate, SampleFormat format, DamagedPackets damagedPackets);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    int channels() const;
    // The container's duration; 0 when it does not say.
    double durationSeconds() const;

    // Hands every decoded piece to consume, to the end of the stream or until consume returns
    // false. Throws PlatformError when decoding fails; whatever consume throws passes through.
    void run(const Consumer& consume);

private:
    struct Pipeline;
    std::unique_ptr<Pipeline> m_pipeline;
};
