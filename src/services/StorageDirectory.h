#pragma once

#include <QString>

// The storage root shared by the transcript store and its search index.
namespace StorageDirectory {

// The override when given, else "Tallybrook" in the per-user data folder; created when missing.
// Throws PlatformError when the folder cannot be determined or created.
QString resolve(const QString& storageDirectoryOverride);

} // namespace StorageDirectory
