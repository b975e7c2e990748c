#pragma once

#include "models/MeetingRecording.h"
#include "services/SpeakerDiarizationService.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* stream) {
    *stream << '"' << text.toStdString() << '"';
}

// A shell script in place of whisper-cli: records its arguments and environment, copies a
// prepared JSON result (per audio file name, else the common one) to "-of" + ".json", then exits with a
// chosen status, crashes, or waits for SIGTERM.
class StandInWhisper {
public:
    enum class Ending { exit, crash, waitForTerminate };

    explicit StandInWhisper(const QString& folder);

    QString program() const;
    // The result for every audio file, or for the one with this file name.
    void setResult(const QByteArray& json, const QString& audioFileName = QString());
    void setEnding(Ending ending, int status = 0);

    QStringList arguments() const;
    // The value of a variable in the environment the program saw; none when it was unset.
    std::optional<QString> variable(const QString& name) const;
    bool hasStarted() const;
    bool wasTerminated() const;

private:
    QString file(const QString& name) const;
    QString m_folder;
};

// A converter script: records its arguments, copies SOURCE to DESTINATION and exits with status.
QString writeStandInConverter(const QString& folder, int status);
QStringList standInConverterArguments(const QString& folder);

// A recording of one folder made of the given assets.
MeetingRecording recordingOf(const QString& folder, const std::vector<RecordingAsset>& assets);
RecordingAsset asset(const QString& path, RecordingAssetKind kind,
                     std::optional<double> duration = std::nullopt);

// The names of the files in the temporary folder, to see that a call left nothing behind.
QStringList temporaryFolderEntries();

// Whisper JSON with one segment per (from ms, to ms, text).
QByteArray whisperJson(const std::vector<std::tuple<int, int, QString>>& segments,
                       const QString& extraMembers = QString());

class FakeDiarization : public SpeakerDiarizationService {
public:
    using Behaviour = std::function<std::vector<DiarizedSpeakerSegment>(const QString&, std::stop_token)>;

    explicit FakeDiarization(Behaviour behaviour = {})
        : m_behaviour(std::move(behaviour)) {}

    std::vector<DiarizedSpeakerSegment> diarize(const QString& audioPath, std::optional<double>,
                                                std::stop_token stopToken) override {
        audioPaths.push_back(audioPath);
        return m_behaviour ? m_behaviour(audioPath, stopToken) : std::vector<DiarizedSpeakerSegment>{};
    }

    std::vector<QString> audioPaths;

private:
    Behaviour m_behaviour;
};
