#pragma once

#include "models/TallybrookError.h"

// The update check's own failures, each with its fixed description.
class UpdateCheckError : public TallybrookError {
public:
    enum class Case { invalidResponse, unreadableFeed, checkInProgress };

    explicit UpdateCheckError(Case errorCase);

    Case errorCase() const { return m_case; }
    static QString descriptionFor(Case errorCase);

private:
    Case m_case;
};
