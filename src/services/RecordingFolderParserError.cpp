#include "services/RecordingFolderParserError.h"

RecordingFolderParserError::RecordingFolderParserError(Case errorCase)
    : TallybrookError(descriptionFor(errorCase))
    , m_case(errorCase) {}

QString RecordingFolderParserError::descriptionFor(Case errorCase) {
    switch (errorCase) {
    case Case::notAFolder:
        return QStringLiteral("Select a recording folder, not a file.");
    case Case::noRecordingFiles:
        return QStringLiteral("No supported recording files were found in that folder.");
    case Case::unreadableFolder:
        break;
    }
    return QStringLiteral("Tallybrook could not read that folder.");
}
