#include "services/WhisperProvisioner.h"

#include "models/TallybrookError.h"
#include "platform/FileAccess.h"
#include "services/TranscriptionError.h"
#include "services/WhisperModelDownloadError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path fileSystemPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

[[noreturn]] void failFileOperation(const QString& sentence, const QString& path,
                                    const std::error_code& error) {
    throw PlatformError(
        sentence.arg(QDir::toNativeSeparators(path), QString::fromStdString(error.message())));
}

// The ggml container's magic number 0x67676d6c, as whisper.cpp writes it
// (little-endian).
bool looksLikeWhisperModel(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < WhisperProvisioner::minimumModelFileSize)
        return false;
    return file.read(4) == QByteArrayLiteral("lmgg");
}

void removeExisting(const QString& path) {
    std::error_code error;
    std::filesystem::remove(fileSystemPath(path), error);
    if (error)
        failFileOperation(QStringLiteral("“%1” couldn’t be removed: %2."), path, error);
}

// Moves a complete file to its final name in one step. Across file systems the
// bytes are first copied beside the destination under a temporary name, so the
// final name never holds a partial file.
void moveIntoPlace(const QString& source, const QString& destination) {
    std::error_code error;
    std::filesystem::rename(fileSystemPath(source), fileSystemPath(destination), error);
    if (error != std::errc::cross_device_link) {
        if (error)
            failFileOperation(QStringLiteral("“%1” couldn’t be moved: %2."), source, error);
        return;
    }
    const QString staging = QFileInfo(destination).absolutePath() + QLatin1Char('/') +
                            QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::filesystem::copy_file(fileSystemPath(source), fileSystemPath(staging), error);
    if (!error)
        std::filesystem::rename(fileSystemPath(staging), fileSystemPath(destination), error);
    if (error) {
        QFile::remove(staging);
        failFileOperation(QStringLiteral("“%1” couldn’t be moved: %2."), source, error);
    }
    QFile::remove(source);
}

} // namespace

WhisperProvisioner::WhisperProvisioner(WhisperResourceResolver& resolver, WhisperSettingsStore& settingsStore,
                                       WhisperModelDownloading& downloader)
    : m_resolver(resolver)
    , m_settingsStore(settingsStore)
    , m_downloader(downloader) {}

TranscriptionLanguage WhisperProvisioner::storedLanguageOrEnglish() const {
    return m_settingsStore.selectedLanguage().value_or(TranscriptionLanguage::english);
}

WhisperCommandConfiguration
WhisperProvisioner::ensureConfiguration(WhisperModel model, std::optional<TranscriptionLanguage> language,
                                        std::stop_token stopToken, const DownloadProgressCallback& progress) {
    const TranscriptionLanguage honoured = language.value_or(storedLanguageOrEnglish());
    const WhisperModel effective =
        TranscriptionLanguages::needsMultilingualModel(honoured) ? WhisperModel::multilingualQuality : model;
    m_settingsStore.setSelectedModel(effective);

    if (const auto executable = m_resolver.bundledExecutablePath()) {
        const QString modelPath = ensureModel(effective, stopToken, progress);
        const WhisperCommandConfiguration configuration =
            WhisperResourceResolver::bundledConfiguration(*executable, modelPath, effective);
        m_settingsStore.save(configuration);
        return configuration;
    }
    if (auto found = m_resolver.resolve(effective))
        return *found;
    throw TranscriptionError::whisperNotConfigured();
}

QString WhisperProvisioner::ensureModel(WhisperModel model, std::stop_token stopToken,
                                        const DownloadProgressCallback& progress) {
    if (const auto installed = m_resolver.installedModelPath(model))
        return *installed;
    const QString destination =
        QDir(m_resolver.managedModelFolder()).filePath(WhisperModels::fileName(model));
    FileAccess::creatingDirectoryIfNeeded(m_resolver.managedModelFolder());

    const QString downloaded = m_downloader.download(WhisperModels::downloadURL(model), stopToken, progress);
    if (!looksLikeWhisperModel(downloaded)) {
        QFile::remove(downloaded);
        throw WhisperModelDownloadError(WhisperModelDownloadError::Case::invalidResponse);
    }
    try {
        if (FileAccess::exists(destination))
            removeExisting(destination);
        moveIntoPlace(downloaded, destination);
    } catch (...) {
        QFile::remove(downloaded);
        throw;
    }
    return destination;
}

std::vector<WhisperModel> WhisperProvisioner::installedModels() const {
    std::vector<WhisperModel> installed;
    for (const WhisperModel model : WhisperModels::allCases) {
        if (m_resolver.installedModelPath(model))
            installed.push_back(model);
    }
    return installed;
}

void WhisperProvisioner::selectModel(WhisperModel model) {
    if (!WhisperModels::supports(model, storedLanguageOrEnglish()))
        return;
    m_settingsStore.setSelectedModel(model);
    const auto executable = m_resolver.bundledExecutablePath();
    const auto modelPath = m_resolver.installedModelPath(model);
    if (executable && modelPath)
        m_settingsStore.save(WhisperResourceResolver::bundledConfiguration(*executable, *modelPath, model));
}

void WhisperProvisioner::selectLanguage(TranscriptionLanguage language) {
    m_settingsStore.setSelectedLanguage(language);
    if (TranscriptionLanguages::needsMultilingualModel(language))
        selectModel(WhisperModel::multilingualQuality);
}

WhisperModel WhisperProvisioner::selectedModel() const {
    return m_resolver.wantedModel(std::nullopt);
}
