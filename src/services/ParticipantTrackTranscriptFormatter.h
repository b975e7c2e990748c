#pragma once

#include "models/TimedTranscriptSegment.h"

#include <QString>
#include <vector>

// The segments one participant's own audio track produced.
struct ParticipantTranscriptTrack {
    QString speaker;
    std::vector<TimedTranscriptSegment> segments;

    bool operator==(const ParticipantTranscriptTrack&) const = default;
};

// Merges per-participant tracks into one conversation ordered by start time; consecutive turns
// of one speaker share a block, whatever the gap between them.
class ParticipantTrackTranscriptFormatter {
public:
    static QString format(const std::vector<ParticipantTranscriptTrack>& tracks);
};
