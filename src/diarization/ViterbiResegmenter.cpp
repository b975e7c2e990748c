#include "diarization/ViterbiResegmenter.h"

#include "models/CancelledError.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <thread>

namespace {

constexpr int trainingIterations = 6;
constexpr std::size_t minimumTrainingFrames = 50;
constexpr float untrained = -1e9f;

} // namespace

std::vector<int> ViterbiResegmenter::resegment(const FrameFeatures& features, std::vector<int> labels,
                                               int speakerCount, std::stop_token stopToken) const {
    std::vector<std::size_t> speechFrames;
    for (std::size_t f = 0; f < labels.size(); ++f)
        if (labels[f] >= 0)
            speechFrames.push_back(f);
    if (speakerCount < 2 || speechFrames.empty())
        return labels;
    for (int pass = 0; pass < m_parameters.resegmentationPasses; ++pass) {
        if (stopToken.stop_requested())
            throw CancelledError();
        std::vector<bool> trained;
        const std::vector<GaussianMixture> models = train(features, labels, speakerCount, trained);
        const std::vector<float> scores = score(features, speechFrames, models, trained, stopToken);
        const std::vector<int> decoded = decode(scores, speechFrames.size(), speakerCount, stopToken);
        for (std::size_t i = 0; i < speechFrames.size(); ++i)
            labels[speechFrames[i]] = decoded[i];
    }
    return labels;
}

std::vector<GaussianMixture> ViterbiResegmenter::train(const FrameFeatures& features,
                                                       const std::vector<int>& labels, int speakerCount,
                                                       std::vector<bool>& trained) const {
    std::vector<std::vector<const float*>> rows(static_cast<std::size_t>(speakerCount));
    for (std::size_t f = 0; f < labels.size(); ++f)
        if (labels[f] >= 0)
            rows[static_cast<std::size_t>(labels[f])].push_back(features.row(f));
    std::vector<GaussianMixture> models;
    trained.assign(static_cast<std::size_t>(speakerCount), false);
    for (std::size_t s = 0; s < rows.size(); ++s) {
        std::vector<const float*>& own = rows[s];
        const auto limit = static_cast<std::size_t>(m_parameters.maximumTrainingFrames);
        if (own.size() > limit) {
            std::vector<const float*> sampled;
            for (std::size_t i = 0; i < limit; ++i)
                sampled.push_back(own[i * own.size() / limit]);
            own.swap(sampled);
        }
        models.emplace_back(m_parameters.mixtureComponents, features.dimensions);
        trained[s] = own.size() >= minimumTrainingFrames;
        if (trained[s])
            models.back().train(own, trainingIterations);
    }
    return models;
}

std::vector<float> ViterbiResegmenter::score(const FrameFeatures& features,
                                             const std::vector<std::size_t>& speechFrames,
                                             const std::vector<GaussianMixture>& models,
                                             const std::vector<bool>& trained,
                                             const std::stop_token& stopToken) const {
    const std::size_t speakers = models.size();
    std::vector<float> scores(speechFrames.size() * speakers);
    const auto workers = static_cast<std::size_t>(std::max(1, m_workers));
    const std::size_t share = (speechFrames.size() + workers - 1) / workers;
    {
        std::vector<std::jthread> threads;
        for (std::size_t first = 0; first < speechFrames.size(); first += share)
            threads.emplace_back([&, first] {
                const std::size_t last = std::min(speechFrames.size(), first + share);
                for (std::size_t i = first; i < last; ++i) {
                    if (i % 4096 == 0 && stopToken.stop_requested())
                        return;
                    for (std::size_t s = 0; s < speakers; ++s)
                        scores[i * speakers + s] =
                            trained[s]
                                ? static_cast<float>(models[s].logLikelihood(features.row(speechFrames[i])))
                                : untrained;
                }
            });
    }
    if (stopToken.stop_requested())
        throw CancelledError();
    return scores;
}

std::vector<int> ViterbiResegmenter::decode(const std::vector<float>& scores, std::size_t frames,
                                            int speakerCount, const std::stop_token& stopToken) const {
    const auto speakers = static_cast<std::size_t>(speakerCount);
    const auto penalty = static_cast<float>(m_parameters.switchPenalty);
    std::vector<float> total(scores.begin(), scores.begin() + static_cast<std::ptrdiff_t>(speakers));
    std::vector<float> next(speakers);
    std::vector<std::uint8_t> from(frames * speakers);
    for (std::size_t i = 1; i < frames; ++i) {
        if (i % 65536 == 0 && stopToken.stop_requested())
            throw CancelledError();
        const auto best =
            static_cast<std::size_t>(std::max_element(total.begin(), total.end()) - total.begin());
        for (std::size_t s = 0; s < speakers; ++s) {
            const bool stay = total[s] >= total[best] - penalty;
            from[i * speakers + s] = static_cast<std::uint8_t>(stay ? s : best);
            next[s] = (stay ? total[s] : total[best] - penalty) + scores[i * speakers + s];
        }
        // Keep the totals small so float precision survives hours of frames.
        const float top = *std::max_element(next.begin(), next.end());
        for (std::size_t s = 0; s < speakers; ++s)
            total[s] = next[s] - top;
    }
    std::vector<int> path(frames);
    auto state = static_cast<std::size_t>(std::max_element(total.begin(), total.end()) - total.begin());
    for (std::size_t i = frames; i-- > 0;) {
        path[i] = static_cast<int>(state);
        state = from[i * speakers + state];
    }
    return path;
}
