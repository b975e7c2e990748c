#pragma once

#include "diarization/DiarizationParameters.h"
#include "diarization/FrameFeatures.h"

#include <stop_token>
#include <vector>

// Refines the energy-based speech decision: fits one Gaussian mixture to the speech frames and
// one to the rest (on energy and the lower cepstra) and relabels every frame by a two-state
// Viterbi pass with a penalty per change, so that the spectrum, not just the level, decides.
class SpeechResegmenter {
public:
    explicit SpeechResegmenter(const DiarizationParameters& parameters)
        : m_parameters(parameters) {}

    std::vector<bool> refine(const FrameFeatures& features, std::vector<bool> speech,
                             std::stop_token stopToken) const;

private:
    std::vector<float> frameVectors(const FrameFeatures& features) const;

    DiarizationParameters m_parameters;
};
