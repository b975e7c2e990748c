#pragma once

#include "models/TallybrookError.h"

// The folder parser's own failures, each with its fixed description.
class RecordingFolderParserError : public TallybrookError {
public:
    enum class Case { notAFolder, noRecordingFiles, unreadableFolder };

    explicit RecordingFolderParserError(Case errorCase);

    Case errorCase() const { return m_case; }
    static QString descriptionFor(Case errorCase);

private:
    Case m_case;
};
