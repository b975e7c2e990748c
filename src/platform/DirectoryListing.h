#pragma once

#include <QFileInfo>
#include <QString>
#include <functional>
#include <vector>

// Listing and walking folders as recording imports need them: names beginning with a dot are
// hidden and skipped, entries come in code-point order of their names, and a listing failure
// carries the system's own text.
namespace DirectoryListing {

// The visible children of a folder. Throws PlatformError when the folder cannot be listed.
std::vector<QFileInfo> children(const QString& folderPath);

// What the walk does after an entry has been visited.
enum class WalkStep { enterDirectory, skipDescendants };

// Walks below folderPath depth first, visiting every visible entry; a sub-folder is entered
// only when the visitor asks for it, and one that cannot be read is passed over. Symbolic links
// are visited but never followed. Returns false when the folder itself cannot be listed.
bool walk(const QString& folderPath, const std::function<WalkStep(const QFileInfo&)>& visit);

} // namespace DirectoryListing
