#pragma once

#include <optional>

// One stretch of the engine's answer; speaker is 0-based and absent where nobody was assigned.
struct VoxmarkSegment {
    float startSeconds = 0;
    float endSeconds = 0;
    std::optional<int> speaker;

    bool operator==(const VoxmarkSegment&) const = default;
};
