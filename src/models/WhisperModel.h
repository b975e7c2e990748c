#pragma once

#include "models/TranscriptionLanguage.h"

#include <QString>
#include <QUrl>
#include <array>
#include <optional>

// The two ggml Whisper models Tallybrook uses. Stored by its raw value (the case name).
enum class WhisperModel { fastEnglish, multilingualQuality };

namespace WhisperModels {

inline constexpr std::array<WhisperModel, 2> allCases = {WhisperModel::fastEnglish,
                                                         WhisperModel::multilingualQuality};

QString rawValue(WhisperModel model);
std::optional<WhisperModel> fromRawValue(const QString& raw);
QString displayName(WhisperModel model);
QString detail(WhisperModel model);
QString fileName(WhisperModel model);
QString legacyFileName(WhisperModel model);
bool supports(WhisperModel model, TranscriptionLanguage language);
// The model a model file belongs to, by its exact, case-sensitive last path component.
std::optional<WhisperModel> identify(const QString& fileName);

// The model hosting address, ending in "/"; TALLYBROOK_MODEL_BASE_URL replaces the built-in one.
QString downloadBaseAddress();
// Base address + file name + "?download=true".
QUrl downloadURL(WhisperModel model, const QString& baseAddress = downloadBaseAddress());

} // namespace WhisperModels
