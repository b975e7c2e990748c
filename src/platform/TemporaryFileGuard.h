#pragma once

#include <QString>

// Removes a temporary file of ours when the scope ends, however it ends, unless released.
class TemporaryFileGuard {
public:
    explicit TemporaryFileGuard(QString path);
    ~TemporaryFileGuard();
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

    // Keeps the file and hands its path over.
    QString release();

    // A new path in the user's temporary folder named by a random UUID, with the given suffix.
    static QString uniquePath(const QString& suffix = {});

private:
    QString m_path;
};
