#include "AudioTranscoder.h"

#include "WavFileWriter.h"
#include "platform/AudioDecoder.h"

#include <QFile>

void AudioTranscoder::transcode(const std::string& sourcePath, const std::string& destinationPath,
                                int sampleRate) {
    AudioDecoder decoder(QFile::decodeName(sourcePath.c_str()), sampleRate, AudioDecoder::SampleFormat::int16,
                         AudioDecoder::DamagedPackets::fail);
    WavFileWriter writer(destinationPath, sampleRate, decoder.channels());
    decoder.run([&](const void* samples, int frames) {
        writer.write(static_cast<const std::int16_t*>(samples),
                     static_cast<std::size_t>(frames) * static_cast<std::size_t>(decoder.channels()));
        return true;
    });
    writer.finish();
}
