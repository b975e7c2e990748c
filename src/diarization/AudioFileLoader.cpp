#include "diarization/AudioFileLoader.h"

#include "models/CancelledError.h"
#include "models/TallybrookError.h"

#include <QFile>
#include <cmath>
#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

QString ffmpegText(int code) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw PlatformError(QStringLiteral("The audio file “%1” could not be read: %2.").arg(path, reason));
}

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct ResamplerFreer {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

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

class Decoder {
public:
    explicit Decoder(const QString& path)
        : m_path(path) {}

    void open() {
        static std::once_flag quiet;
        std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
        AVFormatContext* format = nullptr;
        int status = avformat_open_input(&format, QFile::encodeName(m_path).constData(), nullptr, nullptr);
        if (status < 0)
            fail(m_path, ffmpegText(status));
        m_format.reset(format);
        if ((status = avformat_find_stream_info(format, nullptr)) < 0)
            fail(m_path, ffmpegText(status));
        const AVCodec* codec = nullptr;
        m_stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (m_stream < 0 || !codec)
            fail(m_path, QStringLiteral("it holds no audio stream"));
        m_codec.reset(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(m_codec.get(), format->streams[m_stream]->codecpar);
        if ((status = avcodec_open2(m_codec.get(), codec, nullptr)) < 0)
            fail(m_path, ffmpegText(status));
        if (m_codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || m_codec->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&m_codec->ch_layout, std::max(1, m_codec->ch_layout.nb_channels));
        SwrContext* resampler = nullptr;
        status =
            swr_alloc_set_opts2(&resampler, &m_codec->ch_layout, AV_SAMPLE_FMT_FLT, AudioSamples::sampleRate,
                                &m_codec->ch_layout, m_codec->sample_fmt, m_codec->sample_rate, 0, nullptr);
        if (status < 0 || swr_init(resampler) < 0) {
            swr_free(&resampler);
            fail(m_path, QStringLiteral("its audio cannot be converted"));
        }
        m_resampler.reset(resampler);
    }

    int channels() const { return m_codec->ch_layout.nb_channels; }

    double durationSeconds() const {
        return m_format->duration > 0 ? static_cast<double>(m_format->duration) / AV_TIME_BASE : 0;
    }

    void decodeInto(MonoCollector& collector, const std::stop_token& stopToken) {
        std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
        std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
        while (!collector.full() && av_read_frame(m_format.get(), packet.get()) >= 0) {
            if (stopToken.stop_requested())
                throw CancelledError();
            if (packet->stream_index == m_stream)
                sendAndReceive(packet.get(), frame.get(), collector);
            av_packet_unref(packet.get());
        }
        if (!collector.full())
            sendAndReceive(nullptr, frame.get(), collector);
        convert(nullptr, 0, collector);
    }

private:
    void sendAndReceive(AVPacket* packet, AVFrame* frame, MonoCollector& collector) {
        if (avcodec_send_packet(m_codec.get(), packet) < 0)
            return; // a damaged packet is skipped, as players do
        while (avcodec_receive_frame(m_codec.get(), frame) >= 0) {
            convert(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples, collector);
            av_frame_unref(frame);
        }
    }

    void convert(const uint8_t** input, int inputFrames, MonoCollector& collector) {
        const int capacity = swr_get_out_samples(m_resampler.get(), inputFrames);
        if (capacity <= 0)
            return;
        m_buffer.resize(static_cast<std::size_t>(capacity) * static_cast<std::size_t>(channels()));
        auto* output = reinterpret_cast<uint8_t*>(m_buffer.data());
        const int produced = swr_convert(m_resampler.get(), &output, capacity, input, inputFrames);
        if (produced > 0)
            collector.add(m_buffer.data(), produced);
    }

    QString m_path;
    std::unique_ptr<AVFormatContext, FormatCloser> m_format;
    std::unique_ptr<AVCodecContext, CodecFreer> m_codec;
    std::unique_ptr<SwrContext, ResamplerFreer> m_resampler;
    std::vector<float> m_buffer;
    int m_stream = -1;
};

} // namespace

AudioSamples AudioFileLoader::load(const QString& path, ChannelMode mode, double startSeconds,
                                   std::optional<double> endSeconds, std::stop_token stopToken) {
    if (stopToken.stop_requested())
        throw CancelledError();
    Decoder decoder(path);
    decoder.open();
    MonoCollector collector(mode, decoder.channels(), startSeconds, endSeconds);
    const double total = decoder.durationSeconds();
    collector.reserveFor((endSeconds ? std::min(total, *endSeconds) : total) - startSeconds);
    decoder.decodeInto(collector, stopToken);
    return collector.take();
}
