#include "diarization/AudioFileLoader.h"

#include "models/CancelledError.h"
#include "platform/AudioDecoder.h"

#include <cmath>
#include <memory>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Collects resampled interleaved float frames into the mono result, dropping what lies before
// the start and stopping at the end.
class MonoCollector {
public:
    MonoCollector(AudioFileLoader::ChannelMode mode, int channels, double start, std::optional<double> end)
        : m_mode(mode)
        , m_channels(channels)
        , m_skip(static_cast<std::size_t>(std::llround(std::max(0.0, start) * AudioSamples::sampleRate))) {
        if (end)
            m_limit = static_cast<std::size_t>(std::llround(std::max(0.0, *end) * AudioSamples::sampleRate));
    }

    void reserveFor(double seconds) {
        if (seconds > 0 && std::isfinite(seconds))
            m_samples.reserve(static_cast<std::size_t>(seconds * AudioSamples::sampleRate) +
                              AudioSamples::sampleRate);
    }

    void add(const float* interleaved, int frames) {
        for (int i = 0; i < frames && !full(); ++i, ++m_position) {
            if (m_position < m_skip)
                continue;
            const float* frame = interleaved + static_cast<std::ptrdiff_t>(i) * m_channels;
            float value = frame[0];
            if (m_mode == AudioFileLoader::ChannelMode::summed)
                for (int c = 1; c < m_channels; ++c)
                    value += frame[c];
            m_samples.append(value);
        }
    }

    bool full() const { return m_limit && m_position >= *m_limit; }
    AudioSamples take() { return std::move(m_samples); }

private:
    AudioFileLoader::ChannelMode m_mode;
    int m_channels;
    std::size_t m_skip;
    std::optional<std::size_t> m_limit;
    std::size_t m_position = 0;
    AudioSamples m_samples;
};

} // namespace

AudioSamples AudioFileLoader::load(const QString& path, ChannelMode mode, double startSeconds,
                                   std::optional<double> endSeconds, std::stop_token stopToken) {
    if (stopToken.stop_requested())
        throw CancelledError();
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    AudioDecoder decoder(path, AudioSamples::sampleRate, AudioDecoder::SampleFormat::float32,
                         AudioDecoder::DamagedPackets::skip);
    MonoCollector collector(mode, decoder.channels(), startSeconds, endSeconds);
    const double total = decoder.durationSeconds();
    collector.reserveFor((endSeconds ? std::min(total, *endSeconds) : total) - startSeconds);
    decoder.run([&](const void* samples, int frames) {
        if (stopToken.stop_requested())
            throw CancelledError();
        collector.add(static_cast<const float*>(samples), frames);
        return !collector.full();
    });
    return collector.take();
}
