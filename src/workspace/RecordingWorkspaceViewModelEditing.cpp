// The view model's editing of the open transcript: block texts and speaker names.
#include "models/SpeakerLabels.h"
#include "models/TranscriptBlockParser.h"
#include "workspace/RecordingWorkspaceViewModel.h"

#include <QDateTime>
#include <exception>

void RecordingWorkspaceViewModel::updateTranscriptBlock(qsizetype id, const QString& text) {
    std::vector<TranscriptBlock> blocks =
        TranscriptBlockParser::parse(m_transcript ? m_transcript->body : QString());
    for (TranscriptBlock& block : blocks) {
        if (block.id == id) {
            block.text = text;
            updateTranscriptBody(TranscriptBlockParser::serialize(blocks));
            return;
        }
    }
}

void RecordingWorkspaceViewModel::updateTranscriptBody(const QString& body) {
    if (!m_transcript || m_transcript->body == body)
        return;
    TranscriptDocument document = *m_transcript;
    document.body = body;
    publishAndSaveEdit(std::move(document), QStringLiteral("Edits saved locally"));
}

void RecordingWorkspaceViewModel::updateSpeakerName(const QString& canonicalName,
                                                    const QString& displayName) {
    if (!m_transcript)
        return;
    const QString trimmed = displayName.trimmed();
    const QString wanted = trimmed.isEmpty() ? canonicalName : trimmed;
    TranscriptDocument document = *m_transcript;
    const auto renamed = document.speakerNames.find(canonicalName);
    const QString current = renamed != document.speakerNames.end() ? renamed->second : canonicalName;
    if (wanted == current)
        return;
    if (wanted == canonicalName)
        document.speakerNames.erase(canonicalName);
    else
        document.speakerNames[canonicalName] = wanted;
    document.body = SpeakerLabels::replacing(current, wanted, document.body);
    publishAndSaveEdit(std::move(document), QStringLiteral("Speaker names saved locally"));
}

QString RecordingWorkspaceViewModel::replacingSpeakerLabel(const QString& oldLabel, const QString& newLabel,
                                                           const QString& body) {
    return SpeakerLabels::replacing(oldLabel, newLabel, body);
}

void RecordingWorkspaceViewModel::publishAndSaveEdit(TranscriptDocument document, const QString& saved) {
    // Whole seconds, as the file keeps them, so that the document shown is the one saved.
    document.updatedAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    setTranscript(document);
    try {
        if (m_recording) {
            const MeetingRecording recording = *m_recording;
            m_store.saveTranscript(document, recording);
            saveStatus(RecordingStatus::transcriptSaved, recording);
        } else {
            m_store.save(document);
        }
    } catch (const std::exception& error) {
        // The edit stays in the published document; the next successful save writes it.
        setErrorMessage(QString::fromUtf8(error.what()));
        setStatusText(QStringLiteral("Save failed"));
        return;
    }
    refreshSavedTranscriptCount();
    setStatusText(saved);
}
