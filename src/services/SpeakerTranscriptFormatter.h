#pragma once

#include "models/DiarizedSpeakerSegment.h"
#include "models/TimedTranscriptSegment.h"

#include <QString>
#include <vector>

// Writes a transcript body as numbered-speaker blocks: each Whisper segment goes to the speaker
// segment that overlaps it most, consecutive segments of one speaker share a block.
class SpeakerTranscriptFormatter {
public:
    static QString format(const std::vector<TimedTranscriptSegment>& timedSegments,
                          const std::vector<DiarizedSpeakerSegment>& diarizedSegments);

    // "MM:SS" of a start time: whole seconds rounded half away from zero, negative as 0,
    // minutes not capped (4503 s gives 75:03).
    static QString headingTime(double seconds);

private:
    static int speakerNumber(const TimedTranscriptSegment& segment,
                             const std::vector<DiarizedSpeakerSegment>& diarizedSegments);
};
