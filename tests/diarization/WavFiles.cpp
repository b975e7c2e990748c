#include "WavFiles.h"

#include <QDataStream>
#include <QFile>
#include <cmath>
#include <stdexcept>

namespace {

void writeFile(const QString& path, int format, int channels, int sampleRate, int bits,
               const QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString());
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const auto blockAlign = static_cast<quint16>(channels * bits / 8);
    out.writeRawData("RIFF", 4);
    out << static_cast<quint32>(36 + data.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << static_cast<quint16>(format) << static_cast<quint16>(channels)
        << static_cast<quint32>(sampleRate) << static_cast<quint32>(sampleRate * blockAlign) << blockAlign
        << static_cast<quint16>(bits);
    out.writeRawData("data", 4);
    out << static_cast<quint32>(data.size());
    out.writeRawData(data.constData(), static_cast<int>(data.size()));
}

} // namespace

namespace WavFiles {

void writePcm16(const QString& path, const std::vector<float>& interleaved, int channels, int sampleRate) {
    QByteArray data;
    data.reserve(static_cast<qsizetype>(interleaved.size() * 2));
    for (const float value : interleaved) {
        const auto pcm =
            static_cast<qint16>(std::lround(std::clamp(value, -1.0f, 32767.0f / 32768.0f) * 32768.0f));
        data.append(static_cast<char>(pcm & 0xff)).append(static_cast<char>((pcm >> 8) & 0xff));
    }
    writeFile(path, 1, channels, sampleRate, 16, data);
}

void writeFloat32(const QString& path, const std::vector<float>& samples, int sampleRate) {
    QByteArray data(reinterpret_cast<const char*>(samples.data()),
                    static_cast<qsizetype>(samples.size() * sizeof(float)));
    writeFile(path, 3, 1, sampleRate, 32, data);
}

} // namespace WavFiles
