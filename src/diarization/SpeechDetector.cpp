#include "diarization/SpeechDetector.h"

#include "diarization/FrameFeatures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Frames quieter than this (about -65 dB of full scale) are never speech.
constexpr float silenceFloor = -15.0f;
// Without a quiet class to compare with, speech must be louder than this (about -50 dB).
constexpr float evenSpeechLevel = -11.5f;

struct Gaussian {
    double weight, mean, variance;

    double logDensity(double x) const {
        return std::log(weight) - 0.5 * std::log(2 * std::numbers::pi * variance) -
               0.5 * (x - mean) * (x - mean) / variance;
    }
};

std::vector<float> sample(const std::vector<float>& values, std::size_t limit) {
    const std::size_t step = std::max<std::size_t>(1, values.size() / limit);
    std::vector<float> result;
    for (std::size_t i = 0; i < values.size(); i += step)
        result.push_back(std::max(values[i], silenceFloor));
    return result;
}

void fit(const std::vector<float>& x, Gaussian& quiet, Gaussian& loud) {
    for (int iteration = 0; iteration < 40; ++iteration) {
        double n[2] = {}, s[2] = {}, q[2] = {};
        for (const float value : x) {
            const double a = quiet.logDensity(value), b = loud.logDensity(value);
            const double top = std::max(a, b);
            const double pa = std::exp(a - top), pb = std::exp(b - top);
            const double r = pb / (pa + pb);
            n[0] += 1 - r, s[0] += (1 - r) * value, q[0] += (1 - r) * value * value;
            n[1] += r, s[1] += r * value, q[1] += r * value * value;
        }
        Gaussian* g[2] = {&quiet, &loud};
        for (int k = 0; k < 2; ++k) {
            if (n[k] < 1)
                return;
            g[k]->weight = n[k] / static_cast<double>(x.size());
            g[k]->mean = s[k] / n[k];
            g[k]->variance = std::max(q[k] / n[k] - g[k]->mean * g[k]->mean, 0.05);
        }
    }
}

} // namespace

std::optional<double> SpeechDetector::fittedBoundary(const std::vector<float>& logEnergy, double position) {
    std::vector<float> x = sample(logEnergy, 200000);
    if (x.size() < 10)
        return std::nullopt;
    std::vector<float> sorted = x;
    std::sort(sorted.begin(), sorted.end());
    const double low = sorted[sorted.size() / 10], high = sorted[sorted.size() * 9 / 10];
    if (high - low < 1.0)
        return std::nullopt;
    Gaussian quiet{0.5, low, (high - low) * (high - low) / 16};
    Gaussian loud{0.5, high, quiet.variance};
    fit(x, quiet, loud);
    if (loud.mean - quiet.mean < 1.0)
        return std::nullopt;
    // A quiet class of steady noise is narrow, so the point where the loud class starts to win
    // lies just above the noise; speech begins clearly above it.
    double boundary = loud.mean;
    for (int step = 0; step <= 400; ++step) {
        const double value = quiet.mean + (loud.mean - quiet.mean) * step / 400.0;
        if (loud.logDensity(value) >= quiet.logDensity(value)) {
            boundary = value;
            break;
        }
    }
    return std::max(boundary, quiet.mean + position * (loud.mean - quiet.mean));
}

std::vector<bool> SpeechDetector::detect(const std::vector<float>& logEnergy) const {
    std::vector<bool> speech(logEnergy.size(), false);
    const std::optional<double> boundary = fittedBoundary(logEnergy, m_parameters.speechThresholdPosition);
    for (std::size_t f = 0; f < logEnergy.size(); ++f) {
        const float e = logEnergy[f];
        // An even recording is either all quiet or all talk; the floor tells which.
        speech[f] = boundary ? e > silenceFloor && e > *boundary + m_parameters.speechThresholdShift
                             : e > evenSpeechLevel;
    }
    smooth(speech);
    return speech;
}

void SpeechDetector::smooth(std::vector<bool>& speech) const {
    const auto frames = [](double seconds) {
        return static_cast<std::size_t>(std::lround(seconds / FrameFeatures::frameSeconds));
    };
    const std::size_t n = speech.size();
    // Runs of equal values as [start, end) pairs.
    const auto runs = [&](bool value) {
        std::vector<std::pair<std::size_t, std::size_t>> result;
        for (std::size_t f = 0; f < n;) {
            std::size_t end = f;
            while (end < n && speech[end] == speech[f])
                ++end;
            if (speech[f] == value)
                result.emplace_back(f, end);
            f = end;
        }
        return result;
    };
    const std::size_t hangover = frames(m_parameters.speechHangoverSeconds);
    for (const auto& [start, end] : runs(true)) {
        for (std::size_t f = start >= hangover ? start - hangover : 0; f < start; ++f)
            speech[f] = true;
        for (std::size_t f = end; f < std::min(n, end + hangover); ++f)
            speech[f] = true;
    }
    const std::size_t bridge = frames(m_parameters.speechBridgeSeconds);
    for (const auto& [start, end] : runs(false))
        if (start > 0 && end < n && end - start <= bridge)
            std::fill(speech.begin() + static_cast<std::ptrdiff_t>(start),
                      speech.begin() + static_cast<std::ptrdiff_t>(end), true);
    const std::size_t island = frames(m_parameters.minimumSpeechSeconds);
    for (const auto& [start, end] : runs(true))
        if (end - start < island)
            std::fill(speech.begin() + static_cast<std::ptrdiff_t>(start),
                      speech.begin() + static_cast<std::ptrdiff_t>(end), false);
}

void SpeechDetector::dropUnvoiced(std::vector<bool>& speech, const std::vector<float>& voicing,
                                  const std::vector<float>& logEnergy) const {
    // Weighted by level, so that vowels count and the quiet frames between words do not.
    for (std::size_t f = 0; f < speech.size();) {
        if (!speech[f]) {
            ++f;
            continue;
        }
        std::size_t end = f;
        double sum = 0, weights = 0;
        for (; end < speech.size() && speech[end]; ++end) {
            const double weight = std::exp(static_cast<double>(logEnergy[end] - logEnergy[f]));
            sum += weight * voicing[end];
            weights += weight;
        }
        if (sum / weights < m_parameters.speechMinimumVoicing)
            std::fill(speech.begin() + static_cast<std::ptrdiff_t>(f),
                      speech.begin() + static_cast<std::ptrdiff_t>(end), false);
        f = end;
    }
}
