// Runs the Voxmark engine over every WAV file of a folder and scores it against an RTTM
// reference inside the UEM ranges: diarization error rate per file and in total, over the whole
// scored range and with overlapped reference speech left out, plus the real-time factor.
//
//   bench_diarization_evaluate FOLDER [RTTM [UEM]] [--parameters FILE] [--set name=value ...]
//   [--oracle-speech]
#include "diarization/AudioFileLoader.h"
#include "diarization/DiarizationErrorRate.h"
#include "diarization/FeatureExtractor.h"
#include "diarization/ParameterFile.h"
#include "diarization/SpeechDetector.h"
#include "diarization/VoxmarkEngine.h"
#include "diarization/WindowEmbedder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

using Turns = std::map<QString, std::vector<ScoredTurn>>;
using Ranges = std::map<QString, std::vector<std::pair<double, double>>>;

QStringList fieldsOf(const QString& line) {
    return line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

QStringList linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Turns readRttm(const QString& path) {
    Turns turns;
    for (const QString& line : linesOf(path)) {
        const QStringList f = fieldsOf(line);
        if (f.size() >= 8 && f[0] == QStringLiteral("SPEAKER"))
            turns[f[1]].push_back({f[7], f[3].toDouble(), f[3].toDouble() + f[4].toDouble()});
    }
    return turns;
}

Ranges readUem(const QString& path) {
    Ranges ranges;
    for (const QString& line : linesOf(path)) {
        const QStringList f = fieldsOf(line);
        if (f.size() >= 4)
            ranges[f[0]].emplace_back(f[2].toDouble(), f[3].toDouble());
    }
    return ranges;
}

// Writes the parameter file the engine reads: the defaults (or FILE) with name=value changes.
void prepareParameters(const QString& folder, const QString& file, const QStringList& changes) {
    DiarizationParameters parameters;
    if (!file.isEmpty())
        parameters = ParameterFile::load(QFileInfo(file).absolutePath(), false);
    QJsonObject json = parameters.toJson();
    for (const QString& change : changes)
        json.insert(change.section(QLatin1Char('='), 0, 0), change.section(QLatin1Char('='), 1).toDouble());
    ParameterFile::write(folder, DiarizationParameters::fromJson(json));
}

// The reference key of a file: its base name, or the name with accents removed when the
// reference spells it in plain letters.
QString referenceKey(const QString& baseName, const Turns& reference) {
    if (reference.count(baseName))
        return baseName;
    QString plain;
    for (const QChar c : baseName.normalized(QString::NormalizationForm_KD))
        if (c.unicode() < 128)
            plain += c;
    return plain;
}

// Prints the speech detector's view of one file, a line per 0.2 s.
void trace(const QString& path, const DiarizationParameters& parameters) {
    const AudioSamples samples =
        AudioFileLoader::load(path, AudioFileLoader::ChannelMode::summed, 0, std::nullopt);
    const FrameFeatures features =
        FeatureExtractor(parameters.melBands, parameters.cepstra, 2).extract(samples, {});
    const std::vector<bool> speech = SpeechDetector(parameters).detect(features.logEnergy);
    const auto boundary =
        SpeechDetector::fittedBoundary(features.logEnergy, parameters.speechThresholdPosition);
    std::printf("boundary %.2f\n", boundary.value_or(-99));
    for (std::size_t f = 0; f + 20 <= speech.size(); f += 20) {
        double e = 0, pitch = 0;
        int s = 0, voiced = 0;
        for (std::size_t i = f; i < f + 20; ++i) {
            e += features.logEnergy[i] / 20, s += speech[i];
            if (features.logPitch[i] != 0)
                pitch += std::exp(features.logPitch[i]), ++voiced;
        }
        std::printf("%6.1f %6.2f %5.0f %s\n", static_cast<double>(f) / 100, e, voiced ? pitch / voiced : 0.0,
                    std::string(static_cast<std::size_t>(s), '#').c_str());
    }
}

// How often a window's most similar other window belongs to the same reference speaker,
// counting windows where one reference speaker holds most of the window.
std::pair<int, int> purity(const QString& path, const std::vector<ScoredTurn>& truth,
                           const DiarizationParameters& parameters) {
    const AudioSamples samples =
        AudioFileLoader::load(path, AudioFileLoader::ChannelMode::summed, 0, std::nullopt);
    FrameFeatures features =
        FeatureExtractor(parameters.melBands, parameters.cepstra, 2).extract(samples, {});
    std::vector<bool> speech(features.frameCount(), false);
    std::vector<QString> owner(features.frameCount());
    for (const ScoredTurn& turn : truth)
        for (auto f = static_cast<std::size_t>(turn.startSeconds * 100);
             f < std::min(features.frameCount(), static_cast<std::size_t>(turn.endSeconds * 100)); ++f) {
            owner[f] = speech[f] ? QStringLiteral("*") : turn.speaker;
            speech[f] = true;
        }
    FeatureExtractor::normalise(features, speech);
    const std::vector<SpeakerWindow> windows = WindowEmbedder(parameters).embed(features, speech, {});
    std::vector<QString> label;
    for (const SpeakerWindow& w : windows) {
        std::map<QString, int> count;
        for (std::size_t f = w.firstFrame; f < w.endFrame; ++f)
            if (speech[f])
                ++count[owner[f]];
        QString best;
        int most = 0;
        for (const auto& [k, v] : count)
            if (v > most)
                most = v, best = k;
        label.push_back(most > 0.7 * static_cast<double>(w.endFrame - w.firstFrame) &&
                                best != QStringLiteral("*")
                            ? best
                            : QString());
    }
    int good = 0, all = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (label[i].isEmpty())
            continue;
        float best = -2;
        std::size_t nearest = i;
        for (std::size_t j = 0; j < windows.size(); ++j) {
            if (j == i || label[j].isEmpty() ||
                (windows[j].firstFrame < windows[i].endFrame && windows[i].firstFrame < windows[j].endFrame))
                continue;
            float dot = 0;
            for (std::size_t d = 0; d < windows[i].statistics.size(); ++d)
                dot += windows[i].statistics[d] * windows[j].statistics[d];
            if (dot > best)
                best = dot, nearest = j;
        }
        if (nearest != i)
            ++all, good += label[nearest] == label[i];
    }
    return {good, all};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QString parameterFile;
    QStringList changes;
    QStringList positional;
    bool oracleSpeech = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--parameters") && i + 1 < arguments.size())
            parameterFile = arguments[++i];
        else if (arguments[i] == QStringLiteral("--trace") && i + 1 < arguments.size()) {
            trace(arguments[++i], DiarizationParameters{});
            return 0;
        } else if (arguments[i] == QStringLiteral("--set") && i + 1 < arguments.size()) {
            changes << arguments[++i];
        } else if (arguments[i] == QStringLiteral("--oracle-speech")) {
            oracleSpeech = true;
        } else {
            positional << arguments[i];
        }
    }
    if (positional.isEmpty()) {
        std::fprintf(stderr, "usage: bench_diarization_evaluate FOLDER [RTTM [UEM]] [--parameters FILE] "
                             "[--set name=value] [--oracle-speech]\n");
        return 2;
    }
    const QDir folder(positional[0]);
    const Turns reference = readRttm(positional.value(1, folder.filePath(QStringLiteral("reference.rttm"))));
    const Ranges uem = readUem(positional.value(2, folder.filePath(QStringLiteral("reference.uem"))));

    QTemporaryDir models;
    prepareParameters(models.path(), parameterFile, changes);
    VoxmarkConfiguration configuration;
    configuration.downloadBase = models.path();
    const VoxmarkEngine engine(configuration);

    QTextStream out(stdout);
    DiarizationScore totalFull, totalSingle;
    double audioSeconds = 0, engineSeconds = 0;
    const QStringList files = folder.entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        const QString uri = referenceKey(QFileInfo(name).completeBaseName(), reference);
        const AudioSamples samples = AudioFileLoader::load(
            folder.filePath(name), AudioFileLoader::ChannelMode::summed, 0, std::nullopt);
        const auto start = std::chrono::steady_clock::now();
        // With --oracle-speech the engine only looks where the reference has speech, which
        // separates speaker errors from speech-detection errors.
        VoxmarkOptions options;
        if (oracleSpeech && reference.count(uri))
            for (const ScoredTurn& turn : reference.at(uri))
                options.clipTimestamps.emplace_back(turn.startSeconds, turn.endSeconds);
        const std::vector<VoxmarkSegment> segments = engine.diarize(samples, options, {});
        engineSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        audioSeconds += samples.seconds();
        std::vector<ScoredTurn> hypothesis;
        int speakers = 0;
        for (const VoxmarkSegment& segment : segments) {
            hypothesis.push_back(
                {QString::number(*segment.speaker), segment.startSeconds, segment.endSeconds});
            speakers = std::max(speakers, *segment.speaker + 1);
        }
        const auto ranges =
            uem.count(uri) ? uem.at(uri) : std::vector<std::pair<double, double>>{{0, samples.seconds()}};
        const std::vector<ScoredTurn> truth =
            reference.count(uri) ? reference.at(uri) : std::vector<ScoredTurn>{};
        if (qEnvironmentVariableIsSet("PURITY")) {
            const auto [good, all] = purity(folder.filePath(name), truth, engine.parameters());
            out << uri << " purity " << good << "/" << all << "\n";
        }
        const DiarizationScore full = DiarizationErrorRate::score(truth, hypothesis, ranges, false);
        const DiarizationScore single = DiarizationErrorRate::score(truth, hypothesis, ranges, true);
        totalFull += full;
        totalSingle += single;
        out << QStringLiteral(
                   "%1  DER %2 %  no-overlap DER %3 %  (miss %4 fa %5 conf %6)  speakers %7  scored %8 s\n")
                   .arg(uri, -8)
                   .arg(100 * full.rate(), 5, 'f', 1)
                   .arg(100 * single.rate(), 5, 'f', 1)
                   .arg(100 * single.missedSeconds / single.referenceSeconds, 4, 'f', 1)
                   .arg(100 * single.falseAlarmSeconds / single.referenceSeconds, 4, 'f', 1)
                   .arg(100 * single.confusionSeconds / single.referenceSeconds, 4, 'f', 1)
                   .arg(speakers)
                   .arg(single.referenceSeconds, 0, 'f', 1);
    }
    out << QStringLiteral("TOTAL     DER %1 %  no-overlap DER %2 %  (miss %3 fa %4 conf %5)  RTF %6\n")
               .arg(100 * totalFull.rate(), 5, 'f', 1)
               .arg(100 * totalSingle.rate(), 5, 'f', 1)
               .arg(100 * totalSingle.missedSeconds / totalSingle.referenceSeconds, 4, 'f', 1)
               .arg(100 * totalSingle.falseAlarmSeconds / totalSingle.referenceSeconds, 4, 'f', 1)
               .arg(100 * totalSingle.confusionSeconds / totalSingle.referenceSeconds, 4, 'f', 1)
               .arg(audioSeconds > 0 ? engineSeconds / audioSeconds : 0, 0, 'f', 4);
    return 0;
}
