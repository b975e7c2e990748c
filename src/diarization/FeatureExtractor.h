#pragma once

#include "diarization/AudioSamples.h"
#include "diarization/FrameFeatures.h"

#include <stop_token>

// Computes the frame features of a whole recording, split over a few worker threads.
class FeatureExtractor {
public:
    FeatureExtractor(int melBands, int cepstra, int workers);

    // Throws CancelledError when stopToken is cancelled.
    FrameFeatures extract(const AudioSamples& samples, std::stop_token stopToken) const;

    // Normalises every cepstral dimension to zero mean and unit spread over the selected frames.
    static void normalise(FrameFeatures& features, const std::vector<bool>& selected);

private:
    void extractRange(const AudioSamples& samples, FrameFeatures& features, std::size_t first,
                      std::size_t last, const std::stop_token& stopToken) const;

    int m_melBands;
    int m_cepstra;
    int m_workers;
};
