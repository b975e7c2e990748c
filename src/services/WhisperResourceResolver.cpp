#include "services/WhisperResourceResolver.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

bool fileExists(const QString& path) {
    return QFileInfo::exists(path);
}

QString join(const QString& folder, const QString& relative) {
    return QDir::cleanPath(folder + QLatin1Char('/') + relative);
}

} // namespace

WhisperResourceResolver::Locations WhisperResourceResolver::Locations::standard() {
    return under(AppPaths::executableFolder(), AppPaths::applicationFolder(), QDir::homePath());
}

WhisperResourceResolver::Locations WhisperResourceResolver::Locations::under(const QString& bundleFolder,
                                                                             const QString& applicationFolder,
                                                                             const QString& homeFolder) {
    const QString models = join(applicationFolder, QStringLiteral("Models"));
    return Locations{
        bundleFolder,
        applicationFolder,
        homeFolder,
        {QStringLiteral("/opt/homebrew/bin/whisper-cli"), QStringLiteral("/usr/local/bin/whisper-cli"),
         QStringLiteral("/opt/homebrew/bin/whisper-cpp"), QStringLiteral("/usr/local/bin/whisper-cpp")},
        {join(models, QStringLiteral("ggml-tiny.en-q5_1.bin")),
         join(models, QStringLiteral("ggml-small-q5_1.bin")),
         homeFolder + QStringLiteral("/Library/Application Support/Tallybrook/Models/ggml-base.en.bin"),
         homeFolder + QStringLiteral("/Library/Application Support/Tallybrook/Models/ggml-base.bin"),
         homeFolder + QStringLiteral("/.cache/whisper/ggml-base.en.bin"),
         homeFolder + QStringLiteral("/.cache/whisper/ggml-base.bin")},
    };
}

WhisperResourceResolver::WhisperResourceResolver(WhisperSettingsStore& settingsStore, Locations locations)
    : m_settingsStore(settingsStore)
    , m_locations(std::move(locations)) {}

QString WhisperResourceResolver::managedModelFolder() const {
    return join(m_locations.applicationFolder, QStringLiteral("Models"));
}

QString WhisperResourceResolver::legacyModelFolder() const {
    return join(m_locations.homeFolder, QStringLiteral("Library/Application Support/Tallybrook/Models"));
}

QString WhisperResourceResolver::whisperCacheFolder() const {
    return join(m_locations.homeFolder, QStringLiteral(".cache/whisper"));
}

QString WhisperResourceResolver::systemLibraryFolder() {
    return QStringLiteral("/opt/homebrew/lib");
}

QString WhisperResourceResolver::systemBackendFolder() {
    return QStringLiteral("/opt/homebrew/opt/ggml/libexec");
}

std::optional<QString> WhisperResourceResolver::bundledExecutablePath() const {
    for (const char* candidate : {"Whisper/bin/whisper-cli", "Whisper/whisper-cli", "Whisper/main"}) {
        const QString path = join(m_locations.bundleFolder, QString::fromLatin1(candidate));
        if (isExecutableFile(path))
            return path;
    }
    return std::nullopt;
}

std::optional<QString> WhisperResourceResolver::installedModelPath(WhisperModel model) const {
    const QString candidates[] = {join(managedModelFolder(), WhisperModels::fileName(model)),
                                  join(legacyModelFolder(), WhisperModels::legacyFileName(model)),
                                  join(whisperCacheFolder(), WhisperModels::legacyFileName(model))};
    for (const QString& path : candidates) {
        if (fileExists(path))
            return path;
    }
    return std::nullopt;
}

WhisperCommandConfiguration WhisperResourceResolver::bundledConfiguration(const QString& executablePath,
                                                                          const QString& modelPath,
                                                                          std::optional<WhisperModel> model) {
    const QString root = QFileInfo(QFileInfo(executablePath).absolutePath()).absolutePath();
    return WhisperCommandConfiguration{executablePath, modelPath, join(root, QStringLiteral("lib")),
                                       join(root, QStringLiteral("libexec")), model};
}

bool WhisperResourceResolver::isUsable(const WhisperCommandConfiguration& configuration) {
    return !configuration.executablePath.isEmpty() && !configuration.modelPath.isEmpty() &&
           isExecutableFile(configuration.executablePath) && fileExists(configuration.modelPath);
}

WhisperModel WhisperResourceResolver::wantedModel(std::optional<WhisperModel> model) const {
    if (model)
        return *model;
    const auto language = m_settingsStore.selectedLanguage();
    if (language && TranscriptionLanguages::needsMultilingualModel(*language))
        return WhisperModel::multilingualQuality;
    return m_settingsStore.selectedModel() == WhisperModel::multilingualQuality
               ? WhisperModel::multilingualQuality
               : WhisperModel::fastEnglish;
}

std::optional<WhisperCommandConfiguration>
WhisperResourceResolver::resolve(std::optional<WhisperModel> model) const {
    const WhisperModel wanted = wantedModel(model);
    const WhisperCommandConfiguration stored = m_settingsStore.load();
    if (isUsable(stored) && stored.effectiveModel() == wanted)
        return stored;
    if (auto bundled = bundleConfiguration(wanted))
        return bundled;
    return localConfiguration(wanted);
}

std::optional<WhisperCommandConfiguration>
WhisperResourceResolver::bundleConfiguration(WhisperModel model) const {
    const auto executable = bundledExecutablePath();
    const auto modelPath = installedModelPath(model);
    if (!executable || !modelPath)
        return std::nullopt;
    return bundledConfiguration(*executable, *modelPath, model);
}

std::optional<WhisperCommandConfiguration>
WhisperResourceResolver::localConfiguration(WhisperModel model) const {
    QString executable;
    for (const QString& candidate : m_locations.localExecutableCandidates) {
        if (isExecutableFile(candidate)) {
            executable = candidate;
            break;
        }
    }
    if (executable.isEmpty())
        return std::nullopt;
    for (const QString& candidate : m_locations.localModelCandidates) {
        if (WhisperModels::identify(QFileInfo(candidate).fileName()) == model && fileExists(candidate))
            return WhisperCommandConfiguration{executable, candidate, systemLibraryFolder(),
                                               systemBackendFolder(), model};
    }
    return std::nullopt;
}
