#include "services/StorageDirectory.h"

#include "models/TallybrookError.h"
#include "platform/AppPaths.h"
#include "platform/FileAccess.h"

#include <QStandardPaths>

namespace StorageDirectory {

QString resolve(const QString& storageDirectoryOverride) {
    if (!storageDirectoryOverride.isEmpty())
        return FileAccess::creatingDirectoryIfNeeded(storageDirectoryOverride);
    if (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).isEmpty())
        throw PlatformError(QStringLiteral("The application data folder couldn’t be found."));
    return FileAccess::creatingDirectoryIfNeeded(AppPaths::applicationFolder());
}

} // namespace StorageDirectory
