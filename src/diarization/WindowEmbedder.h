#pragma once

#include "diarization/DiarizationParameters.h"
#include "diarization/FrameFeatures.h"

#include <stop_token>
#include <vector>

// A stretch of about 1.5 s summarised by the mean and spread of its speech frames' cepstra.
struct SpeakerWindow {
    std::size_t firstFrame = 0;
    std::size_t endFrame = 0;
    std::vector<float> statistics; // centred over the recording, unit length

    std::size_t centreFrame() const { return (firstFrame + endFrame) / 2; }
};

class WindowEmbedder {
public:
    explicit WindowEmbedder(const DiarizationParameters& parameters)
        : m_parameters(parameters) {}

    // Windows over the speech of the recording; on long recordings the step grows so that no
    // more than the configured number of windows is clustered.
    std::vector<SpeakerWindow> embed(const FrameFeatures& features, const std::vector<bool>& speech,
                                     std::stop_token stopToken) const;

private:
    std::vector<float> statistics(const FrameFeatures& features, const std::vector<bool>& speech,
                                  std::size_t first, std::size_t end) const;
    void measurePitch(const FrameFeatures& features, const std::vector<bool>& speech) const;
    static void centreAndScale(std::vector<SpeakerWindow>& windows, bool centre);

    DiarizationParameters m_parameters;
    mutable float m_pitchMean = 0;
    mutable float m_pitchSpread = 1;
};
