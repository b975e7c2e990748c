#include "SyntheticConversation.h"

#include "WavFiles.h"
#include "diarization/AudioFileLoader.h"
#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QDir>
#include <QStandardPaths>
#include <QUuid>
#include <random>

namespace {

struct Voice {
    QString name;
    QStringList options;
};

const std::vector<Voice>& voices() {
    static const std::vector<Voice> list{
        {QStringLiteral("A"),
         {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-p"), QStringLiteral("30")}},
        {QStringLiteral("B"),
         {QStringLiteral("-v"), QStringLiteral("en+f3"), QStringLiteral("-p"), QStringLiteral("70")}},
        {QStringLiteral("C"),
         {QStringLiteral("-v"), QStringLiteral("en-gb+m3"), QStringLiteral("-p"), QStringLiteral("90"),
          QStringLiteral("-s"), QStringLiteral("135")}},
    };
    return list;
}

const QStringList& sentences() {
    static const QStringList list{
        QStringLiteral("Good morning everyone and thanks for joining the weekly planning call today"),
        QStringLiteral("I looked at the numbers from last week and the results are better than we expected"),
        QStringLiteral("Can you share the report with the whole team before Friday"),
        QStringLiteral(
            "The new release is almost ready but we still need to fix two small problems in the installer"),
        QStringLiteral("I think we should move the design review to Thursday afternoon"),
        QStringLiteral("That sounds fine to me"),
        QStringLiteral("We had some trouble with the servers over the weekend so the backups ran late"),
        QStringLiteral("Who is going to talk to the customer about the delay"),
        QStringLiteral("I can call them tomorrow morning and explain what happened"),
        QStringLiteral("Please remember that the budget meeting starts at nine sharp next Monday"),
        QStringLiteral("The marketing team asked for a short summary of the new features"),
        QStringLiteral("I will write it this evening and send it around for comments"),
        QStringLiteral("Let us also make sure that the documentation matches the screens in the application"),
        QStringLiteral("Yes I agree with that completely"),
        QStringLiteral(
            "The test results from the lab came back and everything passed except the battery check"),
        QStringLiteral("How long will it take to repeat the battery check"),
        QStringLiteral("About two days if the equipment is free"),
        QStringLiteral("Then we should book the equipment right away so that we do not lose any more time"),
    };
    return list;
}

// Speech of one turn, trimmed to where the voice is audible.
std::vector<float> speak(const Voice& voice, const QString& text, const QString& folder) {
    const QString path =
        QDir(folder).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".wav"));
    QStringList arguments = voice.options;
    arguments << QStringLiteral("-w") << path << text;
    if (FixtureFiles::run(QStringLiteral("espeak-ng"), arguments) != 0)
        return {};
    const AudioSamples samples =
        AudioFileLoader::load(path, AudioFileLoader::ChannelMode::summed, 0, std::nullopt);
    QFile::remove(path);
    std::size_t first = 0, last = samples.size();
    while (first < last && std::abs(samples.at(first)) < 0.01f)
        ++first;
    while (last > first && std::abs(samples.at(last - 1)) < 0.01f)
        --last;
    std::vector<float> result;
    for (std::size_t i = first; i < last; ++i)
        result.push_back(samples.at(i));
    return result;
}

class Builder {
public:
    explicit Builder(unsigned seed)
        : m_random(seed) {}

    void pause(double seconds) {
        for (auto n = static_cast<std::size_t>(seconds * 16000); n > 0; --n)
            m_samples.push_back(m_noise(m_random));
    }

    void say(const QString& speaker, const std::vector<float>& speech) {
        const double start = static_cast<double>(m_samples.size()) / 16000;
        for (const float value : speech)
            m_samples.push_back(0.8f * value + m_noise(m_random));
        m_turns.push_back({speaker, start, static_cast<double>(m_samples.size()) / 16000});
    }

    SyntheticConversation write(const QString& path) const {
        WavFiles::writePcm16(path, m_samples, 1);
        return {path, m_turns, static_cast<double>(m_samples.size()) / 16000};
    }

private:
    std::mt19937 m_random;
    std::normal_distribution<float> m_noise{0.0f, 0.002f};
    std::vector<float> m_samples;
    std::vector<ScoredTurn> m_turns;
};

std::optional<SyntheticConversation> makeConversation(const QString& path) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> pauseLength(0.3, 0.9);
    Builder builder(11);
    builder.pause(1.0);
    std::size_t previous = voices().size();
    for (int turn = 0; turn < 44; ++turn) {
        std::size_t speaker = random() % voices().size();
        if (speaker == previous)
            speaker = (speaker + 1) % voices().size();
        previous = speaker;
        const std::vector<float> speech =
            speak(voices()[speaker],
                  sentences()[static_cast<qsizetype>(random() % static_cast<unsigned>(sentences().size()))],
                  QFileInfo(path).absolutePath());
        if (speech.empty())
            return std::nullopt;
        builder.say(voices()[speaker].name, speech);
        builder.pause(pauseLength(random));
    }
    return builder.write(path);
}

} // namespace

bool SyntheticConversation::canBeMade() {
    return !QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty();
}

const SyntheticConversation* SyntheticConversation::shared() {
    static const std::optional<SyntheticConversation> conversation =
        canBeMade()
            ? makeConversation(QDir(TestData::temporaryFolder()).filePath(QStringLiteral("conversation.wav")))
            : std::nullopt;
    return conversation ? &*conversation : nullptr;
}

std::optional<SyntheticConversation> SyntheticConversation::oneVoice(const QString& path) {
    if (!canBeMade())
        return std::nullopt;
    Builder builder(5);
    builder.pause(0.5);
    for (int i = 0; i < 5; ++i) {
        const std::vector<float> speech = speak(voices()[0], sentences()[i], QFileInfo(path).absolutePath());
        if (speech.empty())
            return std::nullopt;
        builder.say(voices()[0].name, speech);
        builder.pause(0.6);
    }
    return builder.write(path);
}
