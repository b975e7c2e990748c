#pragma once

#include <complex>
#include <vector>

// Mel-frequency cepstra of one 25 ms frame at 16 kHz: pre-emphasis, Hamming window, 512-point
// FFT, triangular mel bands, log, DCT; and the pitch by autocorrelation at 8 kHz. Not thread-safe; every
// worker owns one.
class CepstrumAnalyzer {
public:
    static constexpr int frameLength = 400;
    static constexpr int hopLength = 160;

    CepstrumAnalyzer(int melBands, int cepstra);

    struct FrameMeasures {
        float logEnergy = 0; // of the 300 Hz - 4 kHz band, the frame's mean square there
        float voicing = 0;   // strongest normalised autocorrelation for a 70-400 Hz fundamental
        float logPitch = 0;  // natural log of the fundamental in Hz; 0 when the frame is not voiced
    };

    // Writes `cepstra` coefficients c1..cN to output.
    FrameMeasures analyze(const float* frame, float* output);

private:
    static constexpr int fftSize = 512;

    void transform();
    float logPitch(const float* frame, float& voicing);
    void buildFilters();

    int m_melBands;
    int m_cepstra;
    std::vector<float> m_window;
    std::vector<std::complex<float>> m_twiddles;
    std::vector<int> m_bitReversed;
    std::vector<std::complex<float>> m_buffer;
    std::vector<int> m_filterStart;
    std::vector<std::vector<float>> m_filterWeights;
    std::vector<float> m_dct; // m_cepstra rows of m_melBands
    std::vector<float> m_power;
    std::vector<float> m_logMel;
    std::vector<float> m_decimated;
    std::vector<float> m_deEmphasis; // power gain of the pre-emphasis per bin
    float m_windowPower = 0;
};
