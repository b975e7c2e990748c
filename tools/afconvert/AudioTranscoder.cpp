#include "AudioTranscoder.h"

#include "WavFileWriter.h"

#include <memory>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

std::string ffmpegText(int code) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return buffer;
}

void check(int code, const std::string& what) {
    if (code < 0)
        throw std::runtime_error(what + ": " + ffmpegText(code));
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

// One open decoding pipeline: container, decoder, resampler to interleaved 16-bit samples.
class Pipeline {
public:
    Pipeline(const std::string& sourcePath, int sampleRate)
        : m_sampleRate(sampleRate) {
        AVFormatContext* format = nullptr;
        check(avformat_open_input(&format, sourcePath.c_str(), nullptr, nullptr),
              "cannot open " + sourcePath);
        m_format.reset(format);
        check(avformat_find_stream_info(format, nullptr), "cannot read the streams of " + sourcePath);
        const AVCodec* codec = nullptr;
        m_stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        check(m_stream, "no audio stream in " + sourcePath);
        m_codec.reset(avcodec_alloc_context3(codec));
        if (!m_codec)
            throw std::runtime_error("out of memory");
        check(avcodec_parameters_to_context(m_codec.get(), format->streams[m_stream]->codecpar),
              "cannot set up the decoder");
        check(avcodec_open2(m_codec.get(), codec, nullptr), "cannot open the decoder");
        if (m_codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&m_codec->ch_layout, m_codec->ch_layout.nb_channels);
        openResampler();
    }

    int channels() const { return m_codec->ch_layout.nb_channels; }

    void run(WavFileWriter& writer) {
        std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
        std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
        while (av_read_frame(m_format.get(), packet.get()) >= 0) {
            if (packet->stream_index == m_stream)
                check(avcodec_send_packet(m_codec.get(), packet.get()), "cannot decode the audio");
            av_packet_unref(packet.get());
            drain(frame.get(), writer);
        }
        check(avcodec_send_packet(m_codec.get(), nullptr), "cannot finish decoding");
        drain(frame.get(), writer);
        convert(nullptr, 0, writer);
    }

private:
    void openResampler() {
        SwrContext* resampler = nullptr;
        check(swr_alloc_set_opts2(&resampler, &m_codec->ch_layout, AV_SAMPLE_FMT_S16, m_sampleRate,
                                  &m_codec->ch_layout, m_codec->sample_fmt, m_codec->sample_rate, 0, nullptr),
              "cannot set up the resampler");
        m_resampler.reset(resampler);
        check(swr_init(resampler), "cannot start the resampler");
    }

    void drain(AVFrame* frame, WavFileWriter& writer) {
        int result = 0;
        while ((result = avcodec_receive_frame(m_codec.get(), frame)) >= 0) {
            convert(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples, writer);
            av_frame_unref(frame);
        }
        if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
            check(result, "cannot decode the audio");
    }

    void convert(const uint8_t** input, int inputFrames, WavFileWriter& writer) {
        const int capacity = swr_get_out_samples(m_resampler.get(), inputFrames);
        if (capacity <= 0)
            return;
        m_buffer.resize(static_cast<std::size_t>(capacity) * static_cast<std::size_t>(channels()));
        auto* output = reinterpret_cast<uint8_t*>(m_buffer.data());
        const int frames = swr_convert(m_resampler.get(), &output, capacity, input, inputFrames);
        check(frames, "cannot resample the audio");
        writer.write(m_buffer.data(),
                     static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels()));
    }

    int m_sampleRate;
    int m_stream = -1;
    std::unique_ptr<AVFormatContext, FormatCloser> m_format;
    std::unique_ptr<AVCodecContext, CodecFreer> m_codec;
    std::unique_ptr<SwrContext, ResamplerFreer> m_resampler;
    std::vector<std::int16_t> m_buffer;
};

} // namespace

void AudioTranscoder::transcode(const std::string& sourcePath, const std::string& destinationPath,
                                int sampleRate) {
    Pipeline pipeline(sourcePath, sampleRate);
    WavFileWriter writer(destinationPath, sampleRate, pipeline.channels());
    pipeline.run(writer);
    writer.finish();
}
