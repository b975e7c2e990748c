// A long speech recording through WhisperCommandTranscriptionService against the same two
// programs run by hand: converter, then whisper-cli with the same arguments and environment.
// Speaker identification is a no-op so that only the service's own cost is compared.
// Usage: bench_transcription_service [--minutes M] [--rounds N] [--data FOLDER]
#include "services/WhisperCommandTranscriptionService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUuid>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Wall time, and processor time of this process and its children: the machine is shared, and
// processor time shows whether a difference in wall time is ours or other load.
struct Times {
    double wall = 0;
    double processor = 0;
};

double processorSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

template <typename Work> Times measure(Work work) {
    const auto start = Clock::now();
    const double processorStart = processorSeconds();
    work();
    return {std::chrono::duration<double>(Clock::now() - start).count(), processorSeconds() - processorStart};
}

class NoDiarization : public SpeakerDiarizationService {
public:
    std::vector<DiarizedSpeakerSegment> diarize(const QString&, std::optional<double>,
                                                std::stop_token) override {
        return {};
    }
};

int spawnAndWait(const QStringList& command, char** environment = environ) {
    std::vector<std::string> storage;
    for (const QString& part : command)
        storage.push_back(part.toStdString());
    std::vector<char*> argv;
    for (std::string& part : storage)
        argv.push_back(part.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environment) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Setup {
    QString converter;
    QString whisper;
    QString library;
    QString model;
    QString audio;
};

// Converter and whisper-cli as a script would run them, reading the JSON like the service does.
void byHand(const Setup& setup) {
    const QString base = QDir(QDir::tempPath()).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    const QString wav = base + QStringLiteral(".wav");
    if (spawnAndWait({setup.converter, QStringLiteral("-f"), QStringLiteral("WAVE"), QStringLiteral("-d"),
                      QStringLiteral("LEI16@16000"), setup.audio, wav}) != 0)
        throw std::runtime_error("conversion failed");
    const QByteArray previous = qgetenv("LD_LIBRARY_PATH");
    qputenv("LD_LIBRARY_PATH", setup.library.toUtf8() + (previous.isEmpty() ? QByteArray() : ":" + previous));
    const int status = spawnAndWait({setup.whisper, QStringLiteral("-m"), setup.model, QStringLiteral("-f"),
                                     wav, QStringLiteral("-l"), QStringLiteral("en"), QStringLiteral("-ng"),
                                     QStringLiteral("-oj"), QStringLiteral("-of"), base});
    qputenv("LD_LIBRARY_PATH", previous);
    QFile json(base + QStringLiteral(".json"));
    if (status != 0 || !json.open(QIODevice::ReadOnly) || QJsonDocument::fromJson(json.readAll()).isNull())
        throw std::runtime_error("whisper-cli failed");
    json.remove();
    QFile::remove(wav);
}

void throughService(const Setup& setup) {
    const QDir root = QFileInfo(QFileInfo(setup.whisper).absolutePath()).absolutePath();
    WhisperCommandTranscriptionService service({setup.whisper, setup.model, setup.library,
                                                root.filePath(QStringLiteral("libexec")),
                                                WhisperModel::fastEnglish},
                                               TranscriptionLanguage::english, WhisperModel::fastEnglish,
                                               std::make_shared<NoDiarization>(), setup.converter);
    const RecordingAsset asset{
        setup.audio, QFileInfo(setup.audio).fileName(), RecordingAssetKind::audio, 0, {}};
    service.transcribe({QFileInfo(setup.audio).absolutePath(), QStringLiteral("bench"), {}, {asset}},
                       [](const TranscriptionProgress&) {}, {});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    double minutes = 10;
    int rounds = 1;
    // The build folder's bench/ lies two levels below the repository, beside ../shared/data.
    QString data =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../../../shared/data"));
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--minutes"))
            minutes = arguments[i + 1].toDouble();
        else if (arguments[i] == QStringLiteral("--rounds"))
            rounds = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QStringLiteral("--data"))
            data = arguments[i + 1];
    }
    const QString jfk = QDir(data).filePath(QStringLiteral("whisper/jfk.wav"));
    const QString testModel = QDir(data).filePath(QStringLiteral("whisper/for-tests-ggml-tiny.en.bin"));
    const QDir bin(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin")));
    if (!QFile::exists(jfk) || !QFile::exists(testModel)) {
        std::fprintf(stderr, "whisper test data missing in %s (pass --data FOLDER)\n", qPrintable(data));
        return 2;
    }

    QTemporaryDir work;
    Setup setup{bin.filePath(QStringLiteral("tallybrook-afconvert")),
                bin.filePath(QStringLiteral("Whisper/bin/whisper-cli")),
                bin.filePath(QStringLiteral("Whisper/lib")),
                QDir(work.path()).filePath(QStringLiteral("ggml-tiny.en-q5_1.bin")),
                QDir(work.path()).filePath(QStringLiteral("speech.m4a"))};
    QFile::copy(testModel, setup.model);
    const int loops = std::max(1, static_cast<int>(minutes * 60 / 11.0 + 0.5));
    if (spawnAndWait({QStringLiteral("ffmpeg"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                      QStringLiteral("-stream_loop"), QString::number(loops - 1), QStringLiteral("-i"), jfk,
                      QStringLiteral("-c:a"), QStringLiteral("aac"), setup.audio}) != 0) {
        std::fprintf(stderr, "could not make the long recording with the ffmpeg command line\n");
        return 2;
    }

    std::vector<Times> hand;
    std::vector<Times> service;
    for (int round = 0; round < rounds; ++round) {
        hand.push_back(measure([&] { byHand(setup); }));
        service.push_back(measure([&] { throughService(setup); }));
        std::fprintf(stderr,
                     "round %d: by hand %.2f s (processor %.2f s), service %.2f s (processor %.2f s)\n",
                     round + 1, hand.back().wall, hand.back().processor, service.back().wall,
                     service.back().processor);
    }
    const auto best = [](const std::vector<Times>& runs, double Times::*member) {
        double value = runs.front().*member;
        for (const Times& run : runs)
            value = std::min(value, run.*member);
        return value;
    };
    const double handWall = best(hand, &Times::wall);
    const double serviceWall = best(service, &Times::wall);
    const double handProcessor = best(hand, &Times::processor);
    const double serviceProcessor = best(service, &Times::processor);
    std::printf("audio %.0f s (%d x jfk.wav, m4a), best of %d\n"
                "by hand  %.2f s wall, %.2f s processor\n"
                "service  %.2f s wall, %.2f s processor\n"
                "ratio    %.3f wall, %.3f processor (goal <= 1.05)\n",
                loops * 11.0, loops, rounds, handWall, handProcessor, serviceWall, serviceProcessor,
                serviceWall / handWall, serviceProcessor / handProcessor);
    return 0;
}
