// The view model's import of recording folders and the choice of one recording.
#include "models/Formatting.h"
#include "workspace/BackgroundWork.h"
#include "workspace/RecordingWorkspaceViewModel.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <exception>

namespace {

// A folder's recordings, or the text of why it has none.
struct ParseOutcome {
    std::vector<MeetingRecording> recordings;
    QString failure; // empty on success

    static ParseOutcome of(const RecordingFolderParser& parser, const QString& folder) {
        try {
            return {parser.recordings(folder), {}};
        } catch (const std::exception& error) {
            const QString text = QString::fromUtf8(error.what());
            return {{}, text.isEmpty() ? QStringLiteral("The folder could not be read.") : text};
        }
    }
};

} // namespace

void RecordingWorkspaceViewModel::openRecordingFolderImporter() {
    if (!m_folderChooser)
        return;
    const QString zoom = QDir::home().filePath(QStringLiteral("Documents/Zoom"));
    const std::optional<QString> folder =
        m_folderChooser->chooseFolder({QStringLiteral("Import Recording Folder"),
                                       QStringLiteral("Choose a local meeting recording folder."),
                                       QStringLiteral("Import"), QFileInfo(zoom).isDir() ? zoom : QString()});
    if (folder)
        importFolderInBackground(*folder);
}

void RecordingWorkspaceViewModel::importFolderInBackground(const QString& folder) {
    setIsImporting(true);
    setErrorMessage(std::nullopt);
    setIsViewingArchiveSearch(false);
    setIsViewingArchiveSearchResult(false);
    const int generation = ++m_importGeneration;
    // The parse only checks that the folder holds recordings; the list comes from the reload.
    BackgroundWork::run(
        this, [parser = m_parser, folder] { return ParseOutcome::of(parser, folder); },
        [this, folder, generation](const ParseOutcome& outcome) {
            if (m_importGeneration != generation)
                return;
            if (!outcome.failure.isEmpty()) {
                setErrorMessage(outcome.failure);
                setStatusText(QStringLiteral("Import failed"));
                setIsImporting(false);
                return;
            }
            m_recordingSourceStore.add(folder);
            loadRememberedRecordingSourcesInBackground(true, [this, generation] {
                if (m_importGeneration == generation)
                    setIsImporting(false);
            });
        });
}

void RecordingWorkspaceViewModel::loadRememberedRecordingSourcesInBackground(bool selectSingleRecording,
                                                                             std::function<void()> done) {
    const int generation = m_importGeneration;
    BackgroundWork::run(
        this,
        [parser = m_parser, folders = m_recordingSourceStore.folderPaths()] {
            // A remembered folder that was moved or no longer parses contributes nothing.
            std::vector<MeetingRecording> all;
            for (const QString& folder : folders) {
                ParseOutcome outcome = ParseOutcome::of(parser, folder);
                std::move(outcome.recordings.begin(), outcome.recordings.end(), std::back_inserter(all));
            }
            return all;
        },
        [this, generation, selectSingleRecording,
         done = std::move(done)](const std::vector<MeetingRecording>& all) {
            if (m_importGeneration == generation)
                applyRememberedRecordings(all, selectSingleRecording);
            if (done)
                done();
        });
}

void RecordingWorkspaceViewModel::applyRememberedRecordings(const std::vector<MeetingRecording>& recordings,
                                                            bool selectSingleRecording) {
    // The same meeting reached through a folder and its parent is listed once.
    std::vector<MeetingRecording> unique;
    QSet<QString> seen;
    for (const MeetingRecording& recording : recordings) {
        const QString id = recording.recordingID();
        if (!seen.contains(id)) {
            seen.insert(id);
            unique.push_back(recording);
        }
    }
    if (unique.empty())
        return;
    std::stable_sort(unique.begin(), unique.end(), [](const MeetingRecording& a, const MeetingRecording& b) {
        return a.importedAt > b.importedAt;
    });
    setTranscript(std::nullopt);
    refreshStatuses(unique);
    setIsSidebarVisible(true);
    if (selectSingleRecording && unique.size() == 1) {
        setRecordingChoices({});
        selectRecording(unique.front());
        return;
    }
    setRecording(std::nullopt);
    setRecordingChoices(unique);
    setStatusText(recordingChoicesStatusText());
}

void RecordingWorkspaceViewModel::selectRecording(const MeetingRecording& recording) {
    setRecording(recording);
    setIsViewingArchiveSearch(false);
    setIsViewingArchiveSearchResult(false);
    std::optional<TranscriptDocument> document;
    try {
        document = m_store.loadTranscript(recording);
    } catch (const std::exception& error) {
        const QString description = QString::fromUtf8(error.what());
        setTranscript(std::nullopt);
        setErrorMessage(description);
        saveStatus(RecordingStatus::needsAttention, recording, description);
        setStatusText(QStringLiteral("Saved transcript could not be loaded"));
        return;
    }
    setTranscript(document);
    if (document) {
        saveStatus(RecordingStatus::transcriptSaved, recording);
        setStatusText(QStringLiteral("Saved transcript loaded"));
    } else {
        saveStatus(defaultStatus(recording), recording);
        setStatusText(Formatting::countPhrase(static_cast<qsizetype>(recording.assets.size()),
                                              QStringLiteral("recording file")) +
                      QStringLiteral(" indexed"));
    }
}

void RecordingWorkspaceViewModel::forgetRecordingSources() {
    ++m_importGeneration;
    setIsImporting(false);
    m_recordingSourceStore.removeAll();
    setRecording(std::nullopt);
    setRecordingChoices({});
    setTranscript(std::nullopt);
    setIsViewingArchiveSearch(false);
    setIsSidebarVisible(false);
    setStatusText(QStringLiteral("No recording loaded"));
}
