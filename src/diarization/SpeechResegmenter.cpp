#include "diarization/SpeechResegmenter.h"

#include "diarization/GaussianMixture.h"
#include "models/CancelledError.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int cepstraUsed = 12;
constexpr int dimensions = cepstraUsed + 1;
constexpr std::size_t minimumFrames = 200;
constexpr std::size_t maximumTrainingFrames = 20000;

std::vector<const float*> sampledRows(const std::vector<float>& vectors, const std::vector<bool>& speech,
                                      bool value) {
    std::vector<const float*> rows;
    for (std::size_t f = 0; f < speech.size(); ++f)
        if (speech[f] == value)
            rows.push_back(vectors.data() + f * dimensions);
    if (rows.size() > maximumTrainingFrames) {
        std::vector<const float*> sampled;
        for (std::size_t i = 0; i < maximumTrainingFrames; ++i)
            sampled.push_back(rows[i * rows.size() / maximumTrainingFrames]);
        rows.swap(sampled);
    }
    return rows;
}

} // namespace

std::vector<float> SpeechResegmenter::frameVectors(const FrameFeatures& features) const {
    // Energy normalised over the recording, then the first cepstra as they are.
    const std::size_t n = features.frameCount();
    double mean = 0, squares = 0;
    for (const float e : features.logEnergy) {
        mean += e;
        squares += static_cast<double>(e) * e;
    }
    mean /= static_cast<double>(std::max<std::size_t>(n, 1));
    const double spread =
        std::sqrt(std::max(squares / static_cast<double>(std::max<std::size_t>(n, 1)) - mean * mean, 1e-6));
    std::vector<float> vectors(n * dimensions);
    const int copied = std::min(cepstraUsed, features.dimensions);
    for (std::size_t f = 0; f < n; ++f) {
        float* row = vectors.data() + f * dimensions;
        row[0] = static_cast<float>((features.logEnergy[f] - mean) / spread);
        std::copy(features.row(f), features.row(f) + copied, row + 1);
    }
    return vectors;
}

std::vector<bool> SpeechResegmenter::refine(const FrameFeatures& features, std::vector<bool> speech,
                                            std::stop_token stopToken) const {
    const auto speechFrames = static_cast<std::size_t>(std::count(speech.begin(), speech.end(), true));
    if (m_parameters.speechResegmentationPasses <= 0 || speechFrames < minimumFrames ||
        speech.size() - speechFrames < minimumFrames)
        return speech;
    const std::vector<float> vectors = frameVectors(features);
    const auto penalty = static_cast<float>(m_parameters.speechSwitchPenalty);
    for (int pass = 0; pass < m_parameters.speechResegmentationPasses; ++pass) {
        GaussianMixture talk(m_parameters.mixtureComponents, dimensions);
        GaussianMixture quiet(m_parameters.mixtureComponents, dimensions);
        talk.train(sampledRows(vectors, speech, true), 6);
        quiet.train(sampledRows(vectors, speech, false), 6);
        // Two states: 0 quiet, 1 talk.
        std::vector<std::uint8_t> from(speech.size() * 2);
        float total[2] = {0, 0};
        for (std::size_t f = 0; f < speech.size(); ++f) {
            if (f % 65536 == 0 && stopToken.stop_requested())
                throw CancelledError();
            const float* row = vectors.data() + f * dimensions;
            const float score[2] = {static_cast<float>(quiet.logLikelihood(row)),
                                    static_cast<float>(talk.logLikelihood(row))};
            float next[2];
            for (int s = 0; s < 2; ++s) {
                const bool stay = f == 0 || total[s] >= total[1 - s] - penalty;
                from[f * 2 + static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(stay ? s : 1 - s);
                next[s] = (stay ? total[s] : total[1 - s] - penalty) + score[s];
            }
            const float top = std::max(next[0], next[1]);
            total[0] = next[0] - top;
            total[1] = next[1] - top;
        }
        std::size_t state = total[1] >= total[0] ? 1 : 0;
        for (std::size_t f = speech.size(); f-- > 0;) {
            speech[f] = state == 1;
            state = from[f * 2 + state];
        }
    }
    return speech;
}
