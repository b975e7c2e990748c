#pragma once

#include "models/WhisperCommandConfiguration.h"
#include "services/WhisperSettingsStore.h"

#include <QString>
#include <QStringList>
#include <optional>

// Finds the Whisper program, a model file and the program's library folders: the stored
// configuration while it is still usable, else the program shipped beside the application with
// a model in our own folders, else a system-wide installation.
class WhisperResourceResolver {
public:
    // Where the resolver looks. standard() gives the application's own places; tests build
    // their own below a temporary folder.
    struct Locations {
        QString bundleFolder;      // the folder that holds the application executable
        QString applicationFolder; // the per-user data folder + "Tallybrook"
        QString homeFolder;
        QStringList localExecutableCandidates;
        QStringList localModelCandidates;

        static Locations standard();
        static Locations under(const QString& bundleFolder, const QString& applicationFolder,
                               const QString& homeFolder);
    };

    explicit WhisperResourceResolver(WhisperSettingsStore& settingsStore,
                                     Locations locations = Locations::standard());

    std::optional<QString> bundledExecutablePath() const;
    std::optional<QString> installedModelPath(WhisperModel model) const;
    static WhisperCommandConfiguration bundledConfiguration(const QString& executablePath,
                                                            const QString& modelPath,
                                                            std::optional<WhisperModel> model);
    // Without a model, the selections stored in the settings decide which one is wanted.
    std::optional<WhisperCommandConfiguration>
    resolve(std::optional<WhisperModel> model = std::nullopt) const;
    WhisperModel wantedModel(std::optional<WhisperModel> model) const;

    static bool isUsable(const WhisperCommandConfiguration& configuration);

    QString applicationFolder() const { return m_locations.applicationFolder; }
    QString managedModelFolder() const;
    QString legacyModelFolder() const;
    QString whisperCacheFolder() const;
    WhisperSettingsStore& settingsStore() const { return m_settingsStore; }
    const Locations& locations() const { return m_locations; }

    static QString systemLibraryFolder();
    static QString systemBackendFolder();

private:
    std::optional<WhisperCommandConfiguration> bundleConfiguration(WhisperModel model) const;
    std::optional<WhisperCommandConfiguration> localConfiguration(WhisperModel model) const;

    WhisperSettingsStore& m_settingsStore;
    Locations m_locations;
};
