#include "platform/AudioDecoder.h"

#include "models/TallybrookError.h"

#include <QFile>
#include <algorithm>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

QString ffmpegText(int code) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
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

} // namespace

struct AudioDecoder::Pipeline {
    QString path;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_S16;
    DamagedPackets damagedPackets = DamagedPackets::fail;
    int stream = -1;
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecFreer> codec;
    std::unique_ptr<SwrContext, ResamplerFreer> resampler;
    std::vector<uint8_t> buffer;

    [[noreturn]] void fail(const QString& reason) const {
        throw PlatformError(QStringLiteral("The audio file “%1” could not be read: %2.").arg(path, reason));
    }

    void check(int status) const {
        if (status < 0)
            fail(ffmpegText(status));
    }

    void open(int sampleRate) {
        AVFormatContext* opened = nullptr;
        check(avformat_open_input(&opened, QFile::encodeName(path).constData(), nullptr, nullptr));
        format.reset(opened);
        check(avformat_find_stream_info(opened, nullptr));
        const AVCodec* decoder = nullptr;
        stream = av_find_best_stream(opened, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (stream < 0 || !decoder)
            fail(QStringLiteral("it holds no audio stream"));
        codec.reset(avcodec_alloc_context3(decoder));
        if (!codec)
            fail(ffmpegText(AVERROR(ENOMEM)));
        check(avcodec_parameters_to_context(codec.get(), opened->streams[stream]->codecpar));
        check(avcodec_open2(codec.get(), decoder, nullptr));
        if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || codec->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&codec->ch_layout, std::max(1, codec->ch_layout.nb_channels));
        SwrContext* converter = nullptr;
        const int status =
            swr_alloc_set_opts2(&converter, &codec->ch_layout, sampleFormat, sampleRate, &codec->ch_layout,
                                codec->sample_fmt, codec->sample_rate, 0, nullptr);
        resampler.reset(converter);
        if (status < 0 || swr_init(converter) < 0)
            fail(QStringLiteral("its audio cannot be converted"));
    }

    // False when the consumer asked to stop.
    bool decode(AVPacket* packet, AVFrame* frame, const Consumer& consume) {
        if (const int status = avcodec_send_packet(codec.get(), packet); status < 0) {
            if (damagedPackets == DamagedPackets::fail)
                check(status);
            return true;
        }
        int status = 0;
        while ((status = avcodec_receive_frame(codec.get(), frame)) >= 0) {
            const bool more =
                convert(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples, consume);
            av_frame_unref(frame);
            if (!more)
                return false;
        }
        if (status != AVERROR(EAGAIN) && status != AVERROR_EOF && damagedPackets == DamagedPackets::fail)
            check(status);
        return true;
    }

    // Resamples input (none: what the resampler still holds) and hands it on.
    bool convert(const uint8_t** input, int inputFrames, const Consumer& consume) {
        const int capacity = swr_get_out_samples(resampler.get(), inputFrames);
        if (capacity <= 0)
            return true;
        buffer.resize(static_cast<std::size_t>(capacity) *
                      static_cast<std::size_t>(codec->ch_layout.nb_channels) *
                      static_cast<std::size_t>(av_get_bytes_per_sample(sampleFormat)));
        uint8_t* output = buffer.data();
        const int produced = swr_convert(resampler.get(), &output, capacity, input, inputFrames);
        check(produced);
        return produced == 0 || consume(buffer.data(), produced);
    }
};

AudioDecoder::AudioDecoder(const QString& path, int sampleRate, SampleFormat format,
                           DamagedPackets damagedPackets)
    : m_pipeline(std::make_unique<Pipeline>()) {
    m_pipeline->path = path;
    m_pipeline->sampleFormat = format == SampleFormat::int16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLT;
    m_pipeline->damagedPackets = damagedPackets;
    m_pipeline->open(sampleRate);
}

AudioDecoder::~AudioDecoder() = default;

int AudioDecoder::channels() const {
    return m_pipeline->codec->ch_layout.nb_channels;
}

double AudioDecoder::durationSeconds() const {
    const AVFormatContext* format = m_pipeline->format.get();
    return format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : 0;
}

void AudioDecoder::run(const Consumer& consume) {
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame)
        m_pipeline->fail(ffmpegText(AVERROR(ENOMEM)));
    while (av_read_frame(m_pipeline->format.get(), packet.get()) >= 0) {
        const bool more = packet->stream_index != m_pipeline->stream ||
                          m_pipeline->decode(packet.get(), frame.get(), consume);
        av_packet_unref(packet.get());
        if (!more)
            return;
    }
    if (m_pipeline->decode(nullptr, frame.get(), consume))
        m_pipeline->convert(nullptr, 0, consume);
}
