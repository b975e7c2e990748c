#pragma once

#include "models/TranscriptionLanguage.h"
#include "models/WhisperCommandConfiguration.h"

#include <QSettings>
#include <optional>

// Remembers the last prepared Whisper configuration and the selected model and language.
class WhisperSettingsStore {
public:
    explicit WhisperSettingsStore(QSettings& settings);

    void save(const WhisperCommandConfiguration& configuration);
    // The stored configuration; the empty one when nothing or something unreadable is stored.
    WhisperCommandConfiguration load() const;

    // The raw stored selections; absent when missing or not a known raw value.
    std::optional<WhisperModel> selectedModel() const;
    std::optional<TranscriptionLanguage> selectedLanguage() const;
    void setSelectedModel(WhisperModel model);
    void setSelectedLanguage(TranscriptionLanguage language);

    QSettings& settings() const { return m_settings; }

    static QString configurationKey();
    static QString selectedModelKey();
    static QString selectedLanguageKey();

private:
    QSettings& m_settings;
};
