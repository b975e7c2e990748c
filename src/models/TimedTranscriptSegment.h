#pragma once

#include <QString>

// One stretch of recognised speech: start and end in seconds from the start of the audio and
// its text, already trimmed.
struct TimedTranscriptSegment {
    double startSeconds = 0;
    double endSeconds = 0;
    QString text;

    bool operator==(const TimedTranscriptSegment&) const = default;
};
