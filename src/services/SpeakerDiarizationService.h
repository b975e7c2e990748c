#pragma once

#include "models/DiarizedSpeakerSegment.h"

#include <QString>
#include <optional>
#include <stop_token>
#include <vector>

// Says which numbered speaker talks when in an audio file. Throws CancelledError when the
// token is cancelled, any other exception on failure.
class SpeakerDiarizationService {
public:
    virtual ~SpeakerDiarizationService() = default;

    virtual std::vector<DiarizedSpeakerSegment>
    diarize(const QString& audioPath, std::optional<double> limitSeconds, std::stop_token stopToken) = 0;
};
