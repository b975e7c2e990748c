#include "diarization/WindowEmbedder.h"

#include "models/CancelledError.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

std::size_t toFrames(double seconds) {
    return static_cast<std::size_t>(std::max(1L, std::lround(seconds / FrameFeatures::frameSeconds)));
}

} // namespace

std::vector<SpeakerWindow> WindowEmbedder::embed(const FrameFeatures& features,
                                                 const std::vector<bool>& speech,
                                                 std::stop_token stopToken) const {
    const std::size_t length = toFrames(m_parameters.windowSeconds);
    const std::size_t minimumSpeech = toFrames(m_parameters.minimumWindowSpeechSeconds);
    const std::size_t speechFrames = static_cast<std::size_t>(std::count(speech.begin(), speech.end(), true));
    std::size_t step = toFrames(m_parameters.windowStepSeconds);
    step = std::max(step, speechFrames / static_cast<std::size_t>(m_parameters.maximumClusterWindows) + 1);

    measurePitch(features, speech);
    std::vector<SpeakerWindow> windows;
    const std::size_t n = features.frameCount();
    for (std::size_t first = 0; first < n; first += step) {
        if (stopToken.stop_requested())
            throw CancelledError();
        // Skip ahead over silence so windows start at speech.
        while (first < n && !speech[first])
            ++first;
        if (first >= n)
            break;
        const std::size_t end = std::min(n, first + length);
        const auto count =
            static_cast<std::size_t>(std::count(speech.begin() + static_cast<std::ptrdiff_t>(first),
                                                speech.begin() + static_cast<std::ptrdiff_t>(end), true));
        if (count >= minimumSpeech)
            windows.push_back({first, end, statistics(features, speech, first, end)});
    }
    const auto dims = static_cast<std::size_t>(features.dimensions);
    for (SpeakerWindow& window : windows) {
        for (std::size_t d = dims; d < 2 * dims; ++d)
            window.statistics[d] *= static_cast<float>(m_parameters.spreadWeight);
        window.statistics[2 * dims] = (window.statistics[2 * dims] - m_pitchMean) / m_pitchSpread *
                                      static_cast<float>(m_parameters.pitchWeight);
    }
    centreAndScale(windows, m_parameters.centreWindowStatistics != 0);
    return windows;
}

void WindowEmbedder::measurePitch(const FrameFeatures& features, const std::vector<bool>& speech) const {
    double sum = 0, squares = 0, count = 0;
    for (std::size_t f = 0; f < features.frameCount(); ++f)
        if (speech[f] && features.logPitch[f] != 0) {
            sum += features.logPitch[f];
            squares += static_cast<double>(features.logPitch[f]) * features.logPitch[f];
            ++count;
        }
    m_pitchMean = count > 0 ? static_cast<float>(sum / count) : 0.0f;
    m_pitchSpread =
        count > 1 ? static_cast<float>(std::sqrt(std::max(squares / count - m_pitchMean * m_pitchMean, 1e-4)))
                  : 1.0f;
}

std::vector<float> WindowEmbedder::statistics(const FrameFeatures& features, const std::vector<bool>& speech,
                                              std::size_t first, std::size_t end) const {
    const auto dims = static_cast<std::size_t>(features.dimensions);
    const FrameFeatures::Moments moments = features.moments(speech, first, end);
    const auto count = static_cast<double>(moments.count);
    const std::vector<double>& sum = moments.sum;
    const std::vector<double>& squares = moments.squares;
    std::vector<float> result(2 * dims + 1);
    for (std::size_t d = 0; d < dims; ++d) {
        const double mean = sum[d] / count;
        result[d] = static_cast<float>(mean);
        result[dims + d] = static_cast<float>(std::sqrt(std::max(squares[d] / count - mean * mean, 0.0)));
    }
    double pitch = 0, voiced = 0;
    for (std::size_t f = first; f < end; ++f)
        if (speech[f] && features.logPitch[f] != 0)
            pitch += features.logPitch[f], ++voiced;
    result[2 * dims] = voiced > 0 ? static_cast<float>(pitch / voiced) : m_pitchMean;
    return result;
}

void WindowEmbedder::centreAndScale(std::vector<SpeakerWindow>& windows, bool centre) {
    if (windows.empty())
        return;
    const std::size_t dims = windows.front().statistics.size();
    std::vector<double> mean(dims);
    for (const SpeakerWindow& window : windows)
        for (std::size_t d = 0; d < dims; ++d)
            mean[d] += window.statistics[d];
    for (double& m : mean)
        m /= static_cast<double>(windows.size());
    for (SpeakerWindow& window : windows) {
        double norm = 0;
        for (std::size_t d = 0; d < dims; ++d) {
            if (centre)
                window.statistics[d] -= static_cast<float>(mean[d]);
            norm += static_cast<double>(window.statistics[d]) * window.statistics[d];
        }
        const auto scale = static_cast<float>(1.0 / std::max(std::sqrt(norm), 1e-9));
        for (float& value : window.statistics)
            value *= scale;
    }
}
