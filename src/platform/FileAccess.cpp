#include "platform/FileAccess.h"

#include "models/TallybrookError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace FileAccess {
namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// sentence holds %1 for the path and %2 for the system's reason.
[[noreturn]] void fail(const QString& sentence, const QString& path, const QString& reason) {
    throw PlatformError(sentence.arg(shown(path), reason));
}

} // namespace

bool exists(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The file “%1” couldn’t be opened: %2."), path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("The file “%1” couldn’t be read: %2."), path, file.errorString());
    return bytes;
}

void writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("The file “%1” couldn’t be saved: %2."), path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        fail(QStringLiteral("The file “%1” couldn’t be saved: %2."), path, file.errorString());
}

QString creatingDirectoryIfNeeded(const QString& path) {
    std::error_code error;
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    std::filesystem::create_directories(native, error);
    if (error || !std::filesystem::is_directory(native, error))
        fail(QStringLiteral("The folder “%1” couldn’t be created: %2."), path,
             QString::fromLocal8Bit(error ? error.message() : std::strerror(EEXIST)));
    return path;
}

QDateTime modificationDate(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        fail(QStringLiteral("The file “%1” couldn’t be inspected: %2."), path,
             QString::fromLocal8Bit(std::strerror(errno)));
    const qint64 milliseconds = qint64(info.st_mtim.tv_sec) * 1000 + qint64(info.st_mtim.tv_nsec) / 1000000;
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

} // namespace FileAccess
