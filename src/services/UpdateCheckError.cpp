#include "services/UpdateCheckError.h"

UpdateCheckError::UpdateCheckError(Case errorCase)
    : TallybrookError(descriptionFor(errorCase))
    , m_case(errorCase) {}

QString UpdateCheckError::descriptionFor(Case errorCase) {
    switch (errorCase) {
    case Case::invalidResponse:
        return QStringLiteral("The update information could not be downloaded.");
    case Case::unreadableFeed:
        return QStringLiteral("The update information could not be read.");
    case Case::checkInProgress:
        break;
    }
    return QStringLiteral("An update check is already running.");
}
