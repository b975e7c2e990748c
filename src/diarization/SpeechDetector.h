#pragma once

#include "diarization/DiarizationParameters.h"

#include <optional>
#include <vector>

// Marks the frames that hold speech: a threshold fitted to each recording's own energy
// distribution (two Gaussians, quiet and loud), then hangover, bridged pauses and no islands.
class SpeechDetector {
public:
    explicit SpeechDetector(const DiarizationParameters& parameters)
        : m_parameters(parameters) {}

    std::vector<bool> detect(const std::vector<float>& logEnergy) const;

    // The log-energy boundary between the quiet and the loud class, at least `position` of the
    // way from the quiet mean to the loud mean; none when the recording is too even to tell
    // them apart.
    static std::optional<double> fittedBoundary(const std::vector<float>& logEnergy, double position);

    // Hangover, bridged pauses and no islands.
    void smooth(std::vector<bool>& speech) const;

    // Clears the stretches of speech that are too aperiodic to be voices: rumble, clatter, noise.
    void dropUnvoiced(std::vector<bool>& speech, const std::vector<float>& voicing,
                      const std::vector<float>& logEnergy) const;

private:
    DiarizationParameters m_parameters;
};
