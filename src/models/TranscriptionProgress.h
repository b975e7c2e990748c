#pragma once

#include <QString>

// A short sentence for the status line while a transcription runs.
struct TranscriptionProgress {
    QString message;

    bool operator==(const TranscriptionProgress&) const = default;
};
