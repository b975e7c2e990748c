#pragma once

#include <QString>

// One row of the speaker-name strip: the label the transcript body uses (and the key of the
// document's speaker names) and the name shown for it.
struct SpeakerNameEntry {
    QString canonicalName;
    QString displayName;

    bool operator==(const SpeakerNameEntry&) const = default;
};
