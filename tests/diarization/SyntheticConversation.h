#pragma once

#include "diarization/DiarizationErrorRate.h"

#include <QString>
#include <optional>
#include <vector>

// A conversation of three espeak-ng voices (low male, female, slower high-pitched male) taking turns of
// 2-8 s with short pauses, written as a 16 kHz WAV file, with its true speaker turns.
struct SyntheticConversation {
    QString path;
    std::vector<ScoredTurn> turns;
    double seconds = 0;

    static bool canBeMade();
    // Made once per process in a temporary folder; none when espeak-ng fails.
    static const SyntheticConversation* shared();
    // One voice reading a few sentences with pauses.
    static std::optional<SyntheticConversation> oneVoice(const QString& path);
};
