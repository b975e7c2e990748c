#pragma once

// One stretch of audio attributed to a numbered speaker (1-based).
struct DiarizedSpeakerSegment {
    int speakerNumber = 1;
    double startSeconds = 0;
    double endSeconds = 0;

    bool operator==(const DiarizedSpeakerSegment&) const = default;
};
