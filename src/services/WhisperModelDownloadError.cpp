#include "services/WhisperModelDownloadError.h"

WhisperModelDownloadError::WhisperModelDownloadError(Case errorCase)
    : TallybrookError(descriptionFor(errorCase))
    , m_case(errorCase) {}

QString WhisperModelDownloadError::descriptionFor(Case errorCase) {
    switch (errorCase) {
    case Case::invalidResponse:
        break;
    }
    return QStringLiteral("The transcription model download could not be completed.");
}
