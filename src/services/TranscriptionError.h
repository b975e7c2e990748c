#pragma once

#include "models/TallybrookError.h"

#include <cstdint>

// The transcription service's failures, each with its fixed user-facing description.
class TranscriptionError : public TallybrookError {
public:
    enum class Case {
        audioConversionFailed,
        commandFailed,
        noAudioSource,
        whisperNotConfigured,
        incompatibleModel
    };

    static TranscriptionError audioConversionFailed(std::int32_t code);
    static TranscriptionError commandFailed(std::int32_t code);
    static TranscriptionError noAudioSource();
    static TranscriptionError whisperNotConfigured();
    static TranscriptionError incompatibleModel();

    Case errorCase() const { return m_case; }
    // The exit status of the two failed-program cases, 0 for the others.
    std::int32_t code() const { return m_code; }

    bool operator==(const TranscriptionError& other) const {
        return m_case == other.m_case && m_code == other.m_code;
    }

private:
    TranscriptionError(Case errorCase, std::int32_t code);

    static QString describe(Case errorCase, std::int32_t code);

    Case m_case;
    std::int32_t m_code;
};
