#include "platform/DirectoryListing.h"

#include "models/TallybrookError.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <optional>

namespace DirectoryListing {
namespace {

// Names of the visible entries, or the errno of a folder that cannot be opened.
std::optional<std::vector<QByteArray>> visibleNames(const QString& folderPath, int& error) {
    DIR* directory = opendir(QFile::encodeName(folderPath).constData());
    if (!directory) {
        error = errno;
        return std::nullopt;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<QFileInfo> infos(const QString& folderPath, const std::vector<QByteArray>& names) {
    std::vector<QFileInfo> result;
    result.reserve(names.size());
    const QDir folder(folderPath);
    for (const QByteArray& name : names)
        result.emplace_back(folder.filePath(QFile::decodeName(name)));
    return result;
}

void walkBelow(const QString& folderPath, const std::function<WalkStep(const QFileInfo&)>& visit) {
    int error = 0;
    const auto names = visibleNames(folderPath, error);
    if (!names)
        return;
    for (const QFileInfo& entry : infos(folderPath, *names)) {
        const WalkStep step = visit(entry);
        if (step == WalkStep::enterDirectory && entry.isDir() && !entry.isSymLink())
            walkBelow(entry.filePath(), visit);
    }
}

} // namespace

std::vector<QFileInfo> children(const QString& folderPath) {
    int error = 0;
    const auto names = visibleNames(folderPath, error);
    if (!names)
        throw PlatformError(
            QStringLiteral("The folder “%1” couldn’t be opened: %2.")
                .arg(QDir::toNativeSeparators(folderPath), QString::fromLocal8Bit(std::strerror(error))));
    return infos(folderPath, *names);
}

bool walk(const QString& folderPath, const std::function<WalkStep(const QFileInfo&)>& visit) {
    int error = 0;
    if (!visibleNames(folderPath, error))
        return false;
    walkBelow(folderPath, visit);
    return true;
}

} // namespace DirectoryListing
