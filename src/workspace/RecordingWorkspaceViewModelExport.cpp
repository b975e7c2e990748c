// The view model's export and sharing of the open transcript.
#include "workspace/RecordingWorkspaceViewModel.h"

#include <QFileInfo>
#include <exception>

void RecordingWorkspaceViewModel::share(TranscriptExportFormat format) {
    if (!m_transcript)
        return;
    QString location;
    try {
        location = m_store.temporaryExportURL(*m_transcript, format);
    } catch (const std::exception& error) {
        setErrorMessage(QString::fromUtf8(error.what()));
        setStatusText(QStringLiteral("Share failed"));
        return;
    }
    if (presentSharingPicker(location))
        setStatusText(QStringLiteral("Prepared ") + TranscriptExportFormats::label(format) +
                      QStringLiteral(" for sharing"));
}

bool RecordingWorkspaceViewModel::presentSharingPicker(const QString& file) {
    if (!m_exportDialogs || !m_exportDialogs->presentSharingPicker(file)) {
        setErrorMessage(QStringLiteral("No active window available for sharing."));
        setStatusText(QStringLiteral("Share failed"));
        return false;
    }
    return true;
}

void RecordingWorkspaceViewModel::exportTranscript(TranscriptExportFormat format) {
    if (!m_transcript || !m_exportDialogs)
        return;
    // The title as it is: the dialog shows what the user may still change.
    const std::optional<QString> location = m_exportDialogs->chooseExportLocation(
        m_transcript->title + QLatin1Char('.') + TranscriptExportFormats::fileExtension(format));
    if (!location || location->isEmpty())
        return;
    try {
        m_store.exportTranscript(*m_transcript, format, *location);
        setStatusText(QStringLiteral("Exported ") + QFileInfo(*location).fileName());
    } catch (const std::exception& error) {
        setErrorMessage(QString::fromUtf8(error.what()));
    }
}
