#include "app/cli/CliCommands.h"

#include "services/VoxmarkDiarizationService.h"

#include <QDir>

namespace {

struct DiarizeRequest {
    QString audioFile;
    QString rttmName;
};

// Reads AUDIO [--rttm NAME]; none for anything else.
std::optional<DiarizeRequest> parse(const QStringList& arguments) {
    DiarizeRequest request;
    bool rttm = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QStringLiteral("--rttm") && i + 1 < arguments.size()) {
            rttm = true;
            request.rttmName = arguments.at(++i);
        } else if (request.audioFile.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
            request.audioFile = QDir::current().absoluteFilePath(argument);
        } else {
            return std::nullopt;
        }
    }
    if (request.audioFile.isEmpty() || (rttm && request.rttmName.isEmpty()))
        return std::nullopt;
    return request;
}

QString seconds(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

} // namespace

int runDiarizeCommand(const CliContext& context) {
    const auto request = parse(context.arguments);
    if (!request) {
        context.err << "Usage: tallybrook-cli diarize AUDIO [--rttm NAME]\n";
        return 2;
    }
    VoxmarkDiarizationService service;
    for (const DiarizedSpeakerSegment& segment : service.diarize(request->audioFile, std::nullopt, {})) {
        if (request->rttmName.isEmpty())
            context.out << seconds(segment.startSeconds, 2) << '\t' << seconds(segment.endSeconds, 2)
                        << "\tSpeaker " << segment.speakerNumber << '\n';
        else
            context.out << "SPEAKER " << request->rttmName << " 1 " << seconds(segment.startSeconds, 3) << ' '
                        << seconds(segment.endSeconds - segment.startSeconds, 3) << " <NA> <NA> "
                        << segment.speakerNumber << " <NA> <NA>\n";
    }
    return 0;
}
