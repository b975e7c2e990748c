#include "services/RecordingSourceStore.h"

#include <QDir>
#include <algorithm>
#include <set>

RecordingSourceStore::RecordingSourceStore(QSettings& settings)
    : m_settings(settings) {}

QString RecordingSourceStore::settingsKey() {
    return QStringLiteral("recordingSourceFolderPaths");
}

QStringList RecordingSourceStore::folderPaths() const {
    return m_settings.value(settingsKey()).toStringList();
}

void RecordingSourceStore::add(const QString& folderPath) {
    std::set<QString> paths;
    for (const QString& path : folderPaths())
        paths.insert(path);
    paths.insert(QDir::cleanPath(QDir::current().absoluteFilePath(folderPath)));
    QStringList sorted(paths.begin(), paths.end());
    // Plain code-point order (UTF-16 order differs for letters beyond the Basic Multilingual Plane).
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.toStdU32String() < b.toStdU32String();
    });
    m_settings.setValue(settingsKey(), sorted);
    m_settings.sync();
}

void RecordingSourceStore::removeAll() {
    m_settings.remove(settingsKey());
    m_settings.sync();
}
