#pragma once

#include <cstddef>
#include <vector>

// Per-frame features of a recording: 25 ms frames every 10 ms.
struct FrameFeatures {
    static constexpr double frameSeconds = 0.01;

    int dimensions = 0;           // cepstra per frame (c0 left out)
    std::vector<float> cepstra;   // frameCount() rows of `dimensions` values
    std::vector<float> logEnergy; // one per frame
    std::vector<float> logPitch;  // one per frame; 0 where the frame is not voiced
    std::vector<float> voicing;   // one per frame; periodicity from 0 to 1

    std::size_t frameCount() const { return logEnergy.size(); }
    const float* row(std::size_t frame) const {
        return cepstra.data() + frame * static_cast<std::size_t>(dimensions);
    }
    float* row(std::size_t frame) { return cepstra.data() + frame * static_cast<std::size_t>(dimensions); }

    // Per-dimension sums and sums of squares of the cepstra of the selected frames in [first, end).
    struct Moments {
        std::vector<double> sum;
        std::vector<double> squares;
        std::size_t count = 0;
    };
    Moments moments(const std::vector<bool>& selected, std::size_t first, std::size_t end) const;
};
