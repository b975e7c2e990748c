#pragma once

#include "diarization/DiarizationParameters.h"
#include "diarization/FrameFeatures.h"
#include "diarization/GaussianMixture.h"

#include <stop_token>
#include <vector>

// Refines frame labels: fits one Gaussian mixture per speaker to the frames it holds, then
// relabels every speech frame by a Viterbi pass that charges a penalty for each change of speaker.
class ViterbiResegmenter {
public:
    ViterbiResegmenter(const DiarizationParameters& parameters, int workers)
        : m_parameters(parameters)
        , m_workers(workers) {}

    // labels: one per frame, -1 where there is no speech, otherwise 0..speakerCount-1.
    std::vector<int> resegment(const FrameFeatures& features, std::vector<int> labels, int speakerCount,
                               std::stop_token stopToken) const;

private:
    std::vector<GaussianMixture> train(const FrameFeatures& features, const std::vector<int>& labels,
                                       int speakerCount, std::vector<bool>& trained) const;
    std::vector<float> score(const FrameFeatures& features, const std::vector<std::size_t>& speechFrames,
                             const std::vector<GaussianMixture>& models, const std::vector<bool>& trained,
                             const std::stop_token& stopToken) const;
    std::vector<int> decode(const std::vector<float>& scores, std::size_t frames, int speakerCount,
                            const std::stop_token& stopToken) const;

    DiarizationParameters m_parameters;
    int m_workers;
};
