#pragma once

#include "models/TranscriptionLanguage.h"
#include "models/WhisperCommandConfiguration.h"
#include "services/WhisperModelDownloading.h"
#include "services/WhisperResourceResolver.h"
#include "services/WhisperSettingsStore.h"

#include <optional>
#include <stop_token>
#include <vector>

// Turns the model and language choice into a ready Whisper configuration: applies the language
// rule, remembers the choice, downloads the model into the managed folder when it is missing, and
// records the configuration that uses the program shipped beside the application.
class WhisperProvisioner {
public:
    WhisperProvisioner(WhisperResourceResolver& resolver, WhisperSettingsStore& settingsStore,
                       WhisperModelDownloading& downloader);

    // Throws TranscriptionError (whisperNotConfigured), the downloader's errors and PlatformError
    // for file-system failures; CancelledError when stopToken is cancelled during a download.
    WhisperCommandConfiguration ensureConfiguration(WhisperModel model,
                                                    std::optional<TranscriptionLanguage> language,
                                                    std::stop_token stopToken = {},
                                                    const DownloadProgressCallback& progress = {});

    std::vector<WhisperModel> installedModels() const;
    void selectModel(WhisperModel model);
    void selectLanguage(TranscriptionLanguage language);
    WhisperModel selectedModel() const;

    WhisperResourceResolver& resolver() const { return m_resolver; }
    WhisperSettingsStore& settingsStore() const { return m_settingsStore; }
    WhisperModelDownloading& downloader() const { return m_downloader; }

    // Smallest size a downloaded file must have to be taken for a Whisper model: a real model
    // holds at least its mel filter table (80 x 201 floats) besides the weights.
    static constexpr qint64 minimumModelFileSize = 64 * 1024;

private:
    QString ensureModel(WhisperModel model, std::stop_token stopToken,
                        const DownloadProgressCallback& progress);
    TranscriptionLanguage storedLanguageOrEnglish() const;

    WhisperResourceResolver& m_resolver;
    WhisperSettingsStore& m_settingsStore;
    WhisperModelDownloading& m_downloader;
};
