#pragma once

#include "models/TallybrookError.h"

// The model download's own failure, with its fixed description.
class WhisperModelDownloadError : public TallybrookError {
public:
    enum class Case { invalidResponse };

    explicit WhisperModelDownloadError(Case errorCase);

    Case errorCase() const { return m_case; }
    static QString descriptionFor(Case errorCase);

private:
    Case m_case;
};
