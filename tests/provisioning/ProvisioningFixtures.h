#pragma once

#include <QByteArray>
#include <QDir>
#include <QStringList>

// Shared bytes and helpers for the download, provisioner and update tests.
namespace ProvisioningFixtures {

// Starts with the ggml magic number and is large enough to pass as a model.
inline QByteArray ggmlLookingModel(qsizetype size = 96 * 1024) {
    QByteArray bytes("lmgg");
    bytes.append(QByteArray(size - bytes.size(), '\x01'));
    return bytes;
}

inline QByteArray htmlPage() {
    QByteArray page = "<!DOCTYPE html><html><head><title>Sign in</title></head><body>";
    page.append(QByteArray(80 * 1024, 'x'));
    return page + "</body></html>";
}

inline QStringList temporaryEntries() {
    return QDir(QDir::tempPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// Entries of the temporary folder that were not there before.
inline QStringList newTemporaryEntries(const QStringList& before) {
    QStringList added;
    for (const QString& entry : temporaryEntries()) {
        if (!before.contains(entry))
            added.append(entry);
    }
    return added;
}

} // namespace ProvisioningFixtures
