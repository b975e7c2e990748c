#pragma once

#include "models/CancelledError.h"
#include "models/RecordingAsset.h"
#include "models/TallybrookError.h"
#include "services/RecordingFolderParser.h"
#include "services/RecordingSourceStore.h"
#include "services/TranscriptStore.h"
#include "services/WhisperProvisioner.h"
#include "services/WhisperResourceResolver.h"
#include "services/WhisperSettingsStore.h"
#include "support/FixtureFiles.h"
#include "support/QtPrinters.h"
#include "workspace/RecordingWorkspaceViewModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QUuid>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>

// A model download without a network: it delivers a small valid model file, fails with a
// message, or waits until it is cancelled.
class ScriptedDownloader : public WhisperModelDownloading {
public:
    enum class Answer { model, failure, waitForCancel };
    std::atomic<Answer> answer{Answer::model};

    QString download(const QUrl&, std::stop_token stopToken, const DownloadProgressCallback&) override {
        if (answer == Answer::failure)
            throw PlatformError(QStringLiteral("The network connection was lost."));
        while (answer == Answer::waitForCancel) {
            if (stopToken.stop_requested())
                throw CancelledError();
            QThread::msleep(5);
        }
        const QString file =
            QDir(QDir::tempPath()).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
        FixtureFiles::write(file, QByteArray("lmgg") + QByteArray(80 * 1024, 'w'));
        return file;
    }
};

// A workspace over services rooted in one temporary folder: settings, models, transcripts.
class WorkspaceTest : public ::testing::Test {
protected:
    // Background work ends before the folders it uses are removed.
    void TearDown() override { settle(); }

    // Lets every background step finish and apply its result on this thread.
    static void settle() {
        for (int round = 0; round < 12; ++round) {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::processEvents();
        }
    }

    QString path(const QString& relative) const { return QDir(m_root.path()).filePath(relative); }

    // The view model as start-up builds it, reading what the settings and folders hold now.
    RecordingWorkspaceViewModel& workspace() {
        if (!m_workspace)
            m_workspace = std::make_unique<RecordingWorkspaceViewModel>(RecordingFolderParser(), m_store,
                                                                        m_provisioner, m_sources);
        return *m_workspace;
    }

    // The whisper-cli the provisioner looks for beside the application.
    void installBundledProgram() {
        const QString program = path("app/Whisper/bin/whisper-cli");
        FixtureFiles::write(program, "#!/bin/sh\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void installModelFile(WhisperModel model) {
        FixtureFiles::write(QDir(m_resolver.managedModelFolder()).filePath(WhisperModels::fileName(model)),
                            "model");
    }

    // A recording with one file of the given kind in its folder.
    static MeetingRecording recording(const QString& folder,
                                      RecordingAssetKind kind = RecordingAssetKind::audio) {
        const QString name =
            kind == RecordingAssetKind::audio ? QStringLiteral("audio.m4a") : QStringLiteral("chat.txt");
        MeetingRecording result{folder,
                                folder.section(QLatin1Char('/'), -1),
                                QDateTime(QDate(2025, 3, 14), QTime(8, 0), Qt::UTC),
                                {}};
        result.assets.push_back({folder + QLatin1Char('/') + name, name, kind, 1, {}});
        return result;
    }

    QTemporaryDir m_root;
    QSettings m_settings{m_root.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    WhisperSettingsStore m_whisperSettings{m_settings};
    WhisperResourceResolver m_resolver{
        m_whisperSettings,
        WhisperResourceResolver::Locations::under(path("app"), path("data/Tallybrook"), path("home"))};
    ScriptedDownloader m_downloader;
    WhisperProvisioner m_provisioner{m_resolver, m_whisperSettings, m_downloader};
    RecordingSourceStore m_sources{m_settings};
    TranscriptStore m_store{path("data/Tallybrook")};
    std::unique_ptr<RecordingWorkspaceViewModel> m_workspace;
};
