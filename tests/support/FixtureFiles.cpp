#include "support/FixtureFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>
#include <cmath>
#include <stdexcept>

namespace FixtureFiles {
namespace {

void appendLittleEndian(QByteArray& bytes, quint32 value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

} // namespace

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write fixture " + path.toStdString());
}

void writeWav(const QString& path, double seconds, int sampleRate, int channels) {
    const auto frames = static_cast<quint32>(seconds * sampleRate);
    const quint32 dataSize = frames * channels * 2;
    QByteArray bytes("RIFF");
    appendLittleEndian(bytes, 36 + dataSize, 4);
    bytes.append("WAVEfmt ");
    appendLittleEndian(bytes, 16, 4);
    appendLittleEndian(bytes, 1, 2);
    appendLittleEndian(bytes, channels, 2);
    appendLittleEndian(bytes, sampleRate, 4);
    appendLittleEndian(bytes, sampleRate * channels * 2, 4);
    appendLittleEndian(bytes, channels * 2, 2);
    appendLittleEndian(bytes, 16, 2);
    bytes.append("data");
    appendLittleEndian(bytes, dataSize, 4);
    for (quint32 frame = 0; frame < frames; ++frame) {
        const auto sample = static_cast<qint16>(3000 * std::sin(2 * M_PI * 220.0 * frame / sampleRate));
        for (int channel = 0; channel < channels; ++channel)
            appendLittleEndian(bytes, static_cast<quint16>(sample), 2);
    }
    write(path, bytes);
}

int run(const QString& program, const QStringList& arguments, QByteArray* standardOutput,
        QByteArray* standardError) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return -1;
    process.closeWriteChannel();
    process.waitForFinished(-1);
    if (standardOutput)
        *standardOutput = process.readAllStandardOutput();
    if (standardError)
        *standardError = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace FixtureFiles
