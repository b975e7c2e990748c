#include "services/RecordingFolderParser.h"

#include "models/NaturalOrder.h"
#include "platform/DirectoryListing.h"
#include "platform/MediaDuration.h"
#include "services/RecordingFolderParserError.h"

#include <QDir>
#include <algorithm>

namespace {

const QString participantMarker = QStringLiteral("audio record");

bool isOneOf(const QString& extension, std::initializer_list<const char*> extensions) {
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const char* candidate) { return extension == QLatin1String(candidate); });
}

// Links are neither files nor folders here: a dangling or looping link must not break an import.
bool isRegularFile(const QFileInfo& info) {
    return !info.isSymLink() && info.isFile();
}

bool isDirectory(const QFileInfo& info) {
    return !info.isSymLink() && info.isDir();
}

} // namespace

RecordingFolderParser::RecordingFolderParser(DurationReader durationReader)
    : m_durationReader(durationReader ? std::move(durationReader) : DurationReader(&MediaDuration::seconds)) {
}

RecordingAssetKind RecordingFolderParser::classify(const QString& filePath, const QString& rootPath) {
    const QFileInfo info(filePath);
    const QString extension = info.suffix().toLower();
    const QString lastComponent = info.fileName();
    const qsizetype dot = lastComponent.lastIndexOf(QLatin1Char('.'));
    const QString baseName = (dot > 0 ? lastComponent.left(dot) : lastComponent).toLower();
    QString relativePath = filePath;
    relativePath.remove(rootPath);
    relativePath = relativePath.toLower();

    if (isOneOf(extension, {"mp4", "mov"}))
        return RecordingAssetKind::video;
    if (isOneOf(extension, {"m4a", "mp3", "wav", "aac"}))
        return relativePath.contains(participantMarker) ? RecordingAssetKind::participantAudio
                                                        : RecordingAssetKind::audio;
    if (extension == QLatin1String("txt"))
        return baseName.contains(QLatin1String("chat")) || baseName.contains(QLatin1String("meeting"))
                   ? RecordingAssetKind::chatText
                   : RecordingAssetKind::transcript;
    if (isOneOf(extension, {"vtt", "srt"}))
        return RecordingAssetKind::captions;
    return RecordingAssetKind::unknown;
}

std::vector<MeetingRecording> RecordingFolderParser::recordings(const QString& path) const {
    const QFileInfo chosen(path);
    if (!chosen.exists() && !chosen.isSymLink())
        throw PlatformError(
            QStringLiteral("The folder “%1” doesn’t exist.").arg(QDir::toNativeSeparators(path)));
    if (!chosen.isDir())
        throw RecordingFolderParserError(RecordingFolderParserError::Case::notAFolder);
    const QString folderPath = QDir::cleanPath(chosen.absoluteFilePath());

    if (containsRecordingFilesDirectly(folderPath))
        return {recording(folderPath)};

    std::vector<MeetingRecording> result;
    for (const QFileInfo& subFolder : meetingSubFolders(folderPath))
        result.push_back(recording(subFolder.absoluteFilePath()));
    if (result.empty())
        throw RecordingFolderParserError(RecordingFolderParserError::Case::noRecordingFiles);
    return result;
}

std::vector<QFileInfo> RecordingFolderParser::meetingSubFolders(const QString& folderPath) const {
    std::vector<QFileInfo> subFolders;
    for (const QFileInfo& child : DirectoryListing::children(folderPath)) {
        if (isDirectory(child) && containsRecordingFilesRecursively(child.absoluteFilePath()))
            subFolders.push_back(child);
    }
    std::stable_sort(subFolders.begin(), subFolders.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return modificationDate(a) > modificationDate(b);
    });
    return subFolders;
}

bool RecordingFolderParser::containsRecordingFilesDirectly(const QString& folderPath) const {
    const auto children = DirectoryListing::children(folderPath);
    return std::any_of(children.begin(), children.end(), [&](const QFileInfo& child) {
        return isRegularFile(child) &&
               classify(child.absoluteFilePath(), folderPath) != RecordingAssetKind::unknown;
    });
}

bool RecordingFolderParser::containsRecordingFilesRecursively(const QString& folderPath) const {
    bool found = false;
    DirectoryListing::walk(folderPath, [&](const QFileInfo& entry) {
        if (!found && isRegularFile(entry))
            found = classify(entry.absoluteFilePath(), folderPath) != RecordingAssetKind::unknown;
        return found ? DirectoryListing::WalkStep::skipDescendants
                     : DirectoryListing::WalkStep::enterDirectory;
    });
    return found;
}

MeetingRecording RecordingFolderParser::recording(const QString& folderPath) const {
    std::vector<RecordingAsset> assets = recordingAssets(folderPath);
    if (assets.empty())
        throw RecordingFolderParserError(RecordingFolderParserError::Case::noRecordingFiles);
    NaturalOrder::stableSort(assets, [](const RecordingAsset& asset) { return asset.fileName; });
    const QFileInfo folder(folderPath);
    return MeetingRecording{folder.absoluteFilePath(), folder.fileName(), modificationDate(folder),
                            std::move(assets)};
}

std::vector<RecordingAsset> RecordingFolderParser::recordingAssets(const QString& folderPath) const {
    std::vector<RecordingAsset> assets;
    const bool started = DirectoryListing::walk(folderPath, [&](const QFileInfo& entry) {
        if (isDirectory(entry))
            return entry.fileName().toLower() == participantMarker
                       ? DirectoryListing::WalkStep::enterDirectory
                       : DirectoryListing::WalkStep::skipDescendants;
        if (!isRegularFile(entry))
            return DirectoryListing::WalkStep::skipDescendants;
        const QString path = entry.absoluteFilePath();
        const RecordingAssetKind kind = classify(path, folderPath);
        if (kind != RecordingAssetKind::unknown)
            assets.push_back(
                RecordingAsset{path, entry.fileName(), kind, entry.size(), durationSeconds(path, kind)});
        return DirectoryListing::WalkStep::skipDescendants;
    });
    if (!started)
        throw RecordingFolderParserError(RecordingFolderParserError::Case::unreadableFolder);
    return assets;
}

std::optional<double> RecordingFolderParser::durationSeconds(const QString& filePath,
                                                             RecordingAssetKind kind) const {
    if (!RecordingAssetKinds::isMedia(kind))
        return std::nullopt;
    return m_durationReader(filePath);
}

QDateTime RecordingFolderParser::modificationDate(const QFileInfo& folder) {
    const QDateTime date = folder.lastModified();
    return date.isValid() ? date.toUTC() : MeetingRecording::earliestDate();
}
