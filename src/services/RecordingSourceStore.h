#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The folders the user has imported, remembered across runs as sorted, standardized paths.
class RecordingSourceStore {
public:
    explicit RecordingSourceStore(QSettings& settings);

    // The remembered folders' paths, in stored order.
    QStringList folderPaths() const;
    void add(const QString& folderPath);
    // Forgets every remembered folder.
    void removeAll();

    static QString settingsKey();

private:
    QSettings& m_settings;
};
