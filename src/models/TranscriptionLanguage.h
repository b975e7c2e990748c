#pragma once

#include <QString>
#include <array>
#include <optional>

// The spoken language asked of Whisper. Stored by its raw value (the case name).
enum class TranscriptionLanguage { autoDetect, english, chinese };

namespace TranscriptionLanguages {

inline constexpr std::array<TranscriptionLanguage, 3> allCases = {
    TranscriptionLanguage::autoDetect, TranscriptionLanguage::english, TranscriptionLanguage::chinese};

QString rawValue(TranscriptionLanguage language);
std::optional<TranscriptionLanguage> fromRawValue(const QString& raw);
QString displayName(TranscriptionLanguage language);
// The "-l" argument of the Whisper command: "auto", "en" or "zh".
QString whisperLanguageCode(TranscriptionLanguage language);
// Every language but English needs the multilingual model.
bool needsMultilingualModel(TranscriptionLanguage language);

} // namespace TranscriptionLanguages
