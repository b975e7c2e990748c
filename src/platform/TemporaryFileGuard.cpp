#include "platform/TemporaryFileGuard.h"

#include <QDir>
#include <QFile>
#include <QUuid>
#include <utility>

TemporaryFileGuard::TemporaryFileGuard(QString path)
    : m_path(std::move(path)) {}

TemporaryFileGuard::~TemporaryFileGuard() {
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

QString TemporaryFileGuard::release() {
    return std::exchange(m_path, QString());
}

QString TemporaryFileGuard::uniquePath(const QString& suffix) {
    return QDir(QDir::tempPath())
        .filePath(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + suffix);
}
