#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Whole-file reads, atomic writes and folder creation; failures throw PlatformError with the
// system's own text.
namespace FileAccess {

// Whether anything (file, folder, link target) exists at path.
bool exists(const QString& path);

QByteArray readAll(const QString& path);

// A complete new file replaces the old one, or nothing changes.
void writeAtomically(const QString& path, const QByteArray& bytes);

// Creates the folder and any missing parents; an existing folder is no error. Returns path.
QString creatingDirectoryIfNeeded(const QString& path);

// The content modification date, millisecond precision, UTC.
QDateTime modificationDate(const QString& path);

} // namespace FileAccess
