#include "services/WhisperSettingsStore.h"

#include "models/JsonFormat.h"
#include "models/TallybrookError.h"

WhisperSettingsStore::WhisperSettingsStore(QSettings& settings)
    : m_settings(settings) {}

QString WhisperSettingsStore::configurationKey() {
    return QStringLiteral("whisperCommandConfiguration");
}

QString WhisperSettingsStore::selectedModelKey() {
    return QStringLiteral("selectedWhisperModel");
}

QString WhisperSettingsStore::selectedLanguageKey() {
    return QStringLiteral("selectedTranscriptionLanguage");
}

void WhisperSettingsStore::save(const WhisperCommandConfiguration& configuration) {
    m_settings.setValue(configurationKey(), JsonFormat::compact(configuration.toJson()));
    m_settings.sync();
}

WhisperCommandConfiguration WhisperSettingsStore::load() const {
    const QVariant stored = m_settings.value(configurationKey());
    if (!stored.isValid())
        return {};
    try {
        return WhisperCommandConfiguration::fromJson(JsonFormat::parseObject(stored.toByteArray()));
    } catch (const TallybrookError&) {
        return {};
    }
}

std::optional<WhisperModel> WhisperSettingsStore::selectedModel() const {
    return WhisperModels::fromRawValue(m_settings.value(selectedModelKey()).toString());
}

std::optional<TranscriptionLanguage> WhisperSettingsStore::selectedLanguage() const {
    return TranscriptionLanguages::fromRawValue(m_settings.value(selectedLanguageKey()).toString());
}

void WhisperSettingsStore::setSelectedModel(WhisperModel model) {
    m_settings.setValue(selectedModelKey(), WhisperModels::rawValue(model));
    m_settings.sync();
}

void WhisperSettingsStore::setSelectedLanguage(TranscriptionLanguage language) {
    m_settings.setValue(selectedLanguageKey(), TranscriptionLanguages::rawValue(language));
    m_settings.sync();
}
