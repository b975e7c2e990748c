#pragma once

#include <cstddef>

// Frames [firstFrame, endFrame) attributed to one speaker.
struct SpeakerTurn {
    std::size_t firstFrame = 0;
    std::size_t endFrame = 0;
    int speaker = 0;

    std::size_t length() const { return endFrame - firstFrame; }
};
