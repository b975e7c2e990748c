#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>

namespace TestData {

QString sharedDataFolder() {
    const QString folder = QDir::cleanPath(QStringLiteral(TALLYBROOK_SOURCE_DIR "/../shared/data"));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString sharedFile(const QString& relativePath) {
    const QString folder = sharedDataFolder();
    if (folder.isEmpty())
        return {};
    const QString path = QDir(folder).filePath(relativePath);
    return QFileInfo::exists(path) ? path : QString();
}

QString binFolder() {
    return QStringLiteral(TALLYBROOK_BIN_DIR);
}

QString temporaryFolder() {
    return QDir::tempPath();
}

} // namespace TestData
