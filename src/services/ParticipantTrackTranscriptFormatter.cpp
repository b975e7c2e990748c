#include "services/ParticipantTrackTranscriptFormatter.h"

#include "services/SpeakerTranscriptFormatter.h"

#include <QStringList>
#include <algorithm>

namespace {

struct ParticipantTranscriptTurn {
    QString speaker;
    double startSeconds = 0;
    QString text;
};

std::vector<ParticipantTranscriptTurn> flatten(const std::vector<ParticipantTranscriptTrack>& tracks) {
    std::vector<ParticipantTranscriptTurn> turns;
    for (const ParticipantTranscriptTrack& track : tracks)
        for (const TimedTranscriptSegment& segment : track.segments)
            turns.push_back({track.speaker, segment.startSeconds, segment.text});
    std::stable_sort(turns.begin(), turns.end(),
                     [](const auto& a, const auto& b) { return a.startSeconds < b.startSeconds; });
    return turns;
}

std::vector<ParticipantTranscriptTurn> merge(const std::vector<ParticipantTranscriptTurn>& turns) {
    std::vector<ParticipantTranscriptTurn> merged;
    for (const ParticipantTranscriptTurn& turn : turns) {
        if (!merged.empty() && merged.back().speaker == turn.speaker)
            merged.back().text += QLatin1Char(' ') + turn.text;
        else
            merged.push_back(turn);
    }
    return merged;
}

} // namespace

QString ParticipantTrackTranscriptFormatter::format(const std::vector<ParticipantTranscriptTrack>& tracks) {
    QStringList rendered;
    for (const ParticipantTranscriptTurn& turn : merge(flatten(tracks)))
        rendered << QLatin1Char('[') + SpeakerTranscriptFormatter::headingTime(turn.startSeconds) +
                        QStringLiteral("] ") + turn.speaker + QLatin1Char('\n') + turn.text;
    return rendered.join(QStringLiteral("\n\n"));
}
