#include "diarization/FeatureExtractor.h"

#include "diarization/CepstrumAnalyzer.h"
#include "models/CancelledError.h"

#include <algorithm>
#include <cmath>
#include <thread>

FeatureExtractor::FeatureExtractor(int melBands, int cepstra, int workers)
    : m_melBands(melBands)
    , m_cepstra(cepstra)
    , m_workers(std::max(1, workers)) {}

FrameFeatures FeatureExtractor::extract(const AudioSamples& samples, std::stop_token stopToken) const {
    FrameFeatures features;
    features.dimensions = m_cepstra;
    const std::size_t frames =
        samples.size() < CepstrumAnalyzer::frameLength
            ? 0
            : (samples.size() - CepstrumAnalyzer::frameLength) / CepstrumAnalyzer::hopLength + 1;
    features.logEnergy.resize(frames);
    features.logPitch.resize(frames);
    features.voicing.resize(frames);
    features.cepstra.resize(frames * static_cast<std::size_t>(m_cepstra));
    const std::size_t share =
        (frames + static_cast<std::size_t>(m_workers) - 1) / static_cast<std::size_t>(m_workers);
    {
        std::vector<std::jthread> workers;
        for (std::size_t first = 0; first < frames; first += share)
            workers.emplace_back([&, first] {
                extractRange(samples, features, first, std::min(frames, first + share), stopToken);
            });
    }
    if (stopToken.stop_requested())
        throw CancelledError();
    return features;
}

void FeatureExtractor::extractRange(const AudioSamples& samples, FrameFeatures& features, std::size_t first,
                                    std::size_t last, const std::stop_token& stopToken) const {
    CepstrumAnalyzer analyzer(m_melBands, m_cepstra);
    std::vector<float> frame(CepstrumAnalyzer::frameLength);
    for (std::size_t f = first; f < last; ++f) {
        if (f % 2048 == 0 && stopToken.stop_requested())
            return;
        const std::size_t offset = f * CepstrumAnalyzer::hopLength;
        for (std::size_t i = 0; i < frame.size(); ++i)
            frame[i] = samples.at(offset + i);
        const CepstrumAnalyzer::FrameMeasures measures = analyzer.analyze(frame.data(), features.row(f));
        features.logEnergy[f] = measures.logEnergy;
        features.logPitch[f] = measures.logPitch;
        features.voicing[f] = measures.voicing;
    }
}

void FeatureExtractor::normalise(FrameFeatures& features, const std::vector<bool>& selected) {
    const auto dims = static_cast<std::size_t>(features.dimensions);
    const auto [sum, squares, count] = features.moments(selected, 0, features.frameCount());
    if (count < 2)
        return;
    std::vector<float> mean(dims), scale(dims);
    for (std::size_t d = 0; d < dims; ++d) {
        const double m = sum[d] / static_cast<double>(count);
        const double variance = std::max(squares[d] / static_cast<double>(count) - m * m, 1e-6);
        mean[d] = static_cast<float>(m);
        scale[d] = static_cast<float>(1.0 / std::sqrt(variance));
    }
    for (std::size_t f = 0; f < features.frameCount(); ++f) {
        float* row = features.row(f);
        for (std::size_t d = 0; d < dims; ++d)
            row[d] = (row[d] - mean[d]) * scale[d];
    }
}
