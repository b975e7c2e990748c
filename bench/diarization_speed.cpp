// Speed, memory and cancellation of the Voxmark engine on a long recording made by repeating
// the training clips: prints the real-time factor of loading and of diarizing. With
// --cancel-after S it requests a stop S seconds into the run and prints how long the engine
// took to give up. Peak memory: run it under /usr/bin/time -v.
//
//   bench_diarization_speed [--hours H] [--cancel-after S] [--data FOLDER]
#include "diarization/AudioFileLoader.h"
#include "diarization/VoxmarkEngine.h"
#include "models/CancelledError.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes a 16 kHz 16-bit mono WAV of the given length from the clips, one clip in memory at a time.
bool writeLongRecording(const QString& path, const QStringList& clips, double hours) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || clips.isEmpty())
        return false;
    const auto total = static_cast<quint32>(hours * 3600 * AudioSamples::sampleRate);
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << static_cast<quint32>(36 + total * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(AudioSamples::sampleRate)
        << quint32(AudioSamples::sampleRate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << total * 2;
    quint32 written = 0;
    for (qsizetype i = 0; written < total; ++i) {
        const AudioSamples clip = AudioFileLoader::load(
            clips[i % clips.size()], AudioFileLoader::ChannelMode::summed, 0, std::nullopt);
        const auto count = static_cast<quint32>(std::min<std::size_t>(clip.size(), total - written));
        out.writeRawData(reinterpret_cast<const char*>(clip.pcm().data()), static_cast<int>(count * 2));
        written += count;
    }
    return out.status() == QDataStream::Ok;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    double hours = 1;
    std::optional<double> cancelAfter;
    // The build folder's bench/ lies two levels below the repository, beside ../shared/data.
    QString data =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../../../shared/data"));
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--hours"))
            hours = arguments[i + 1].toDouble();
        else if (arguments[i] == QStringLiteral("--cancel-after"))
            cancelAfter = arguments[i + 1].toDouble();
        else if (arguments[i] == QStringLiteral("--data"))
            data = arguments[i + 1];
    }
    const QDir clipsFolder(QDir(data).filePath(QStringLiteral("diarization/train")));
    QStringList clips;
    for (const QString& name : clipsFolder.entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name))
        clips << clipsFolder.filePath(name);
    if (clips.isEmpty()) {
        std::fprintf(stderr, "no training clips in %s (pass --data FOLDER)\n",
                     qPrintable(clipsFolder.path()));
        return 2;
    }
    QTemporaryDir work;
    const QString recording = QDir(work.path()).filePath(QStringLiteral("long.wav"));
    if (!writeLongRecording(recording, clips, hours)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(recording));
        return 2;
    }

    const auto loadStart = Clock::now();
    const AudioSamples samples =
        AudioFileLoader::load(recording, AudioFileLoader::ChannelMode::summed, 0, std::nullopt);
    const double loadSeconds = secondsSince(loadStart);
    VoxmarkConfiguration configuration;
    configuration.downloadBase = QDir(work.path()).filePath(QStringLiteral("VoxmarkModels"));
    const VoxmarkEngine engine(configuration);

    std::stop_source stop;
    std::optional<Clock::time_point> stopRequested;
    std::jthread canceller;
    if (cancelAfter)
        canceller = std::jthread([&] {
            std::this_thread::sleep_for(std::chrono::duration<double>(*cancelAfter));
            stopRequested = Clock::now();
            stop.request_stop();
        });
    const auto runStart = Clock::now();
    try {
        const std::vector<VoxmarkSegment> segments =
            engine.diarize(samples, VoxmarkOptions{}, stop.get_token());
        int speakers = 0;
        for (const VoxmarkSegment& segment : segments)
            speakers = std::max(speakers, segment.speaker.value_or(0) + 1);
        const double runSeconds = secondsSince(runStart);
        std::printf("audio %.0f s: load %.2f s (RTF %.4f), diarize %.2f s (RTF %.4f), total RTF %.4f, %zu "
                    "segments, %d "
                    "speakers\n",
                    samples.seconds(), loadSeconds, loadSeconds / samples.seconds(), runSeconds,
                    runSeconds / samples.seconds(), (loadSeconds + runSeconds) / samples.seconds(),
                    segments.size(), speakers);
    } catch (const CancelledError&) {
        canceller.join();
        std::printf("cancelled %.3f s after the stop request (%.2f s into the run)\n",
                    std::chrono::duration<double>(Clock::now() - *stopRequested).count(),
                    secondsSince(runStart));
    }
    return 0;
}
