#include "services/TranscriptionError.h"

TranscriptionError::TranscriptionError(Case errorCase, std::int32_t code)
    : TallybrookError(describe(errorCase, code))
    , m_case(errorCase)
    , m_code(code) {}

TranscriptionError TranscriptionError::audioConversionFailed(std::int32_t code) {
    return {Case::audioConversionFailed, code};
}

TranscriptionError TranscriptionError::commandFailed(std::int32_t code) {
    return {Case::commandFailed, code};
}

TranscriptionError TranscriptionError::noAudioSource() {
    return {Case::noAudioSource, 0};
}

TranscriptionError TranscriptionError::whisperNotConfigured() {
    return {Case::whisperNotConfigured, 0};
}

TranscriptionError TranscriptionError::incompatibleModel() {
    return {Case::incompatibleModel, 0};
}

QString TranscriptionError::describe(Case errorCase, std::int32_t code) {
    switch (errorCase) {
    case Case::audioConversionFailed:
        return QStringLiteral("Audio conversion failed with exit code %1.").arg(code);
    case Case::commandFailed:
        return QStringLiteral("Local Whisper command failed with exit code %1.").arg(code);
    case Case::noAudioSource:
        return QStringLiteral("No usable audio file found in this recording folder.");
    case Case::whisperNotConfigured:
        return QStringLiteral("Tallybrook could not prepare its local transcription engine.");
    case Case::incompatibleModel:
        return QStringLiteral("Auto-detect and Chinese require the Multilingual Quality model.");
    }
    return {};
}
