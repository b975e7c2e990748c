#pragma once

#include "services/WhisperProvisioner.h"
#include "services/WhisperResourceResolver.h"
#include "services/WhisperSettingsStore.h"

#include <QSettings>
#include <QString>

// A Whisper provisioner for one worker thread. A settings object must not be used from two
// threads, so this one reads and writes the same settings file through its own; the main thread
// sees its changes after syncing its settings object.
class WorkerProvisioner {
public:
    // What a worker needs to build its own provisioner; taken on the main thread.
    struct Blueprint {
        QString settingsFile;
        QSettings::Format settingsFormat = QSettings::NativeFormat;
        WhisperResourceResolver::Locations locations;
        WhisperModelDownloading* downloader = nullptr;

        static Blueprint of(const WhisperProvisioner& provisioner);
    };

    explicit WorkerProvisioner(const Blueprint& blueprint);
    WorkerProvisioner(const WorkerProvisioner&) = delete;
    WorkerProvisioner& operator=(const WorkerProvisioner&) = delete;

    WhisperProvisioner& provisioner() { return m_provisioner; }

private:
    QSettings m_settings;
    WhisperSettingsStore m_settingsStore;
    WhisperResourceResolver m_resolver;
    WhisperProvisioner m_provisioner;
};
