#include "app/cli/CliCommands.h"

#include "services/RecordingFolderParser.h"

#include <QJsonArray>
#include <QJsonDocument>

int runScanCommand(const CliContext& context) {
    if (context.arguments.size() != 1) {
        context.err << "Usage: tallybrook-cli scan FOLDER\n";
        return 2;
    }
    const RecordingFolderParser parser;
    QJsonArray recordings;
    for (const MeetingRecording& recording : parser.recordings(context.arguments.first())) {
        QJsonObject object = recording.toJson();
        object.insert(QStringLiteral("recordingID"), recording.recordingID());
        QJsonArray candidates;
        for (const RecordingAsset& candidate : recording.transcriptionCandidates())
            candidates.append(candidate.path);
        object.insert(QStringLiteral("transcriptionCandidates"), candidates);
        recordings.append(object);
    }
    context.out << QString::fromUtf8(QJsonDocument(recordings).toJson(QJsonDocument::Indented));
    return 0;
}
