#include "diarization/CepstrumAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr float sampleRate = 16000.0f;
constexpr float lowestHz = 60.0f;
constexpr float highestHz = 7600.0f;
constexpr float voicingThreshold = 0.6f;
// The speech band, 300 Hz to 4 kHz, in bins of 31.25 Hz.
constexpr int speechBandFirstBin = 10;
constexpr int speechBandLastBin = 128;
// Voicing strength looks for a fundamental between 70 and 400 Hz (lags at 8 kHz); lower periods
// are mostly rumble.
constexpr int longestVoicingLag = 114;

float toMel(float hz) {
    return 2595.0f * std::log10(1.0f + hz / 700.0f);
}

float fromMel(float mel) {
    return 700.0f * (std::pow(10.0f, mel / 2595.0f) - 1.0f);
}

} // namespace

CepstrumAnalyzer::CepstrumAnalyzer(int melBands, int cepstra)
    : m_melBands(melBands)
    , m_cepstra(cepstra)
    , m_window(frameLength)
    , m_buffer(fftSize)
    , m_power(fftSize / 2 + 1)
    , m_logMel(static_cast<std::size_t>(melBands)) {
    const float pi = std::numbers::pi_v<float>;
    for (int i = 0; i < frameLength; ++i)
        m_window[static_cast<std::size_t>(i)] =
            0.54f - 0.46f * std::cos(2 * pi * static_cast<float>(i) / (frameLength - 1));
    for (int i = 0; i < fftSize / 2; ++i)
        m_twiddles.push_back(std::polar(1.0f, -2 * pi * static_cast<float>(i) / fftSize));
    int bits = 0;
    while ((1 << bits) < fftSize)
        ++bits;
    for (int i = 0; i < fftSize; ++i) {
        int reversed = 0;
        for (int b = 0; b < bits; ++b)
            reversed |= ((i >> b) & 1) << (bits - 1 - b);
        m_bitReversed.push_back(reversed);
    }
    buildFilters();
    for (const float w : m_window)
        m_windowPower += w * w;
    for (int bin = 0; bin <= fftSize / 2; ++bin)
        m_deEmphasis.push_back(1.0f + 0.97f * 0.97f -
                               2 * 0.97f * std::cos(2 * pi * static_cast<float>(bin) / fftSize));
    for (int c = 1; c <= m_cepstra; ++c)
        for (int m = 0; m < m_melBands; ++m)
            m_dct.push_back(std::cos(pi * static_cast<float>(c) * (static_cast<float>(m) + 0.5f) /
                                     static_cast<float>(m_melBands)));
}

void CepstrumAnalyzer::buildFilters() {
    const float lowMel = toMel(lowestHz);
    const float highMel = toMel(highestHz);
    std::vector<float> edges;
    for (int i = 0; i < m_melBands + 2; ++i)
        edges.push_back(fromMel(lowMel + (highMel - lowMel) * static_cast<float>(i) /
                                             static_cast<float>(m_melBands + 1)) *
                        fftSize / sampleRate);
    for (int m = 0; m < m_melBands; ++m) {
        const float left = edges[static_cast<std::size_t>(m)];
        const float centre = edges[static_cast<std::size_t>(m) + 1];
        const float right = edges[static_cast<std::size_t>(m) + 2];
        const int first = static_cast<int>(std::ceil(left));
        std::vector<float> weights;
        for (int bin = first; static_cast<float>(bin) <= right && bin <= fftSize / 2; ++bin) {
            const auto b = static_cast<float>(bin);
            weights.push_back(b <= centre ? (b - left) / std::max(centre - left, 1e-3f)
                                          : (right - b) / std::max(right - centre, 1e-3f));
        }
        m_filterStart.push_back(first);
        m_filterWeights.push_back(std::move(weights));
    }
}

void CepstrumAnalyzer::transform() {
    for (int i = 0; i < fftSize; ++i)
        if (i < m_bitReversed[static_cast<std::size_t>(i)])
            std::swap(m_buffer[static_cast<std::size_t>(i)],
                      m_buffer[static_cast<std::size_t>(m_bitReversed[static_cast<std::size_t>(i)])]);
    for (int size = 2; size <= fftSize; size *= 2) {
        const int half = size / 2;
        const int stride = fftSize / size;
        for (int start = 0; start < fftSize; start += size)
            for (int k = 0; k < half; ++k) {
                auto& even = m_buffer[static_cast<std::size_t>(start + k)];
                auto& odd = m_buffer[static_cast<std::size_t>(start + k + half)];
                const std::complex<float> t = m_twiddles[static_cast<std::size_t>(k * stride)] * odd;
                odd = even - t;
                even += t;
            }
    }
}

float CepstrumAnalyzer::logPitch(const float* frame, float& voicing) {
    // Between 400 Hz (lag 20) and 60 Hz (lag 133) at 8 kHz.
    constexpr int shortestLag = 20, longestLag = 133, minimumOverlap = 60;
    m_decimated.resize(frameLength / 2);
    for (int i = 0; i < frameLength / 2; ++i)
        m_decimated[static_cast<std::size_t>(i)] = frame[2 * i] + frame[2 * i + 1];
    const float* x = m_decimated.data();
    const int n = frameLength / 2;
    float bestScore = 0;
    int bestLag = 0;
    voicing = 0;
    for (int lag = shortestLag; lag <= longestLag && n - lag >= minimumOverlap; ++lag) {
        float cross = 0, head = 0, tail = 0;
        for (int i = 0; i + lag < n; ++i) {
            cross += x[i] * x[i + lag];
            head += x[i] * x[i];
            tail += x[i + lag] * x[i + lag];
        }
        const float score = cross / std::sqrt(head * tail + 1e-12f);
        if (lag <= longestVoicingLag)
            voicing = std::max(voicing, score);
        if (score > bestScore) {
            bestScore = score;
            bestLag = lag;
        }
    }
    return bestScore >= voicingThreshold ? std::log(8000.0f / static_cast<float>(bestLag)) : 0.0f;
}

CepstrumAnalyzer::FrameMeasures CepstrumAnalyzer::analyze(const float* frame, float* output) {
    float mean = 0;
    for (int i = 0; i < frameLength; ++i)
        mean += frame[i];
    mean /= frameLength;
    float previous = frame[0] - mean;
    for (int i = 0; i < frameLength; ++i) {
        const float x = frame[i] - mean;
        const float emphasised = x - 0.97f * previous;
        previous = x;
        m_buffer[static_cast<std::size_t>(i)] = {emphasised * m_window[static_cast<std::size_t>(i)], 0.0f};
    }
    std::fill(m_buffer.begin() + frameLength, m_buffer.end(), std::complex<float>{});
    transform();
    for (int bin = 0; bin <= fftSize / 2; ++bin)
        m_power[static_cast<std::size_t>(bin)] = std::norm(m_buffer[static_cast<std::size_t>(bin)]);
    // Level of the speech band only, so that rumble and hum below it do not pass for speech. The
    // pre-emphasis is undone per bin; the scale matches the mean square of the frame.
    double band = 0;
    for (int bin = speechBandFirstBin; bin <= speechBandLastBin; ++bin)
        band += m_power[static_cast<std::size_t>(bin)] / m_deEmphasis[static_cast<std::size_t>(bin)];
    band *= 2.0 / (fftSize * m_windowPower);
    for (int m = 0; m < m_melBands; ++m) {
        float sum = 0;
        const auto& weights = m_filterWeights[static_cast<std::size_t>(m)];
        const float* power = m_power.data() + m_filterStart[static_cast<std::size_t>(m)];
        for (std::size_t w = 0; w < weights.size(); ++w)
            sum += weights[w] * power[w];
        m_logMel[static_cast<std::size_t>(m)] = std::log(sum + 1e-8f);
    }
    for (int c = 0; c < m_cepstra; ++c) {
        const float* basis = m_dct.data() + static_cast<std::ptrdiff_t>(c) * m_melBands;
        float sum = 0;
        for (int m = 0; m < m_melBands; ++m)
            sum += basis[m] * m_logMel[static_cast<std::size_t>(m)];
        output[c] = sum;
    }
    FrameMeasures measures;
    measures.logEnergy = static_cast<float>(std::log(band + 1e-10));
    measures.logPitch = logPitch(frame, measures.voicing);
    return measures;
}
