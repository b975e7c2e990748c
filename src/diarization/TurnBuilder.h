#pragma once

#include "diarization/DiarizationParameters.h"
#include "diarization/SpeakerTurn.h"

#include <vector>

// Turns frame labels into speaker turns: same-speaker turns across short pauses are joined and
// turns too short to be real are given to a neighbour.
class TurnBuilder {
public:
    explicit TurnBuilder(const DiarizationParameters& parameters)
        : m_parameters(parameters) {}

    // labels: one per frame, -1 where there is no speech. Speakers are renumbered from 0 in the
    // order they first talk.
    std::vector<SpeakerTurn> build(const std::vector<int>& labels) const;

private:
    static std::vector<SpeakerTurn> runs(const std::vector<int>& labels);
    void joinAcrossPauses(std::vector<SpeakerTurn>& turns) const;
    void absorbShortTurns(std::vector<SpeakerTurn>& turns) const;
    static void renumber(std::vector<SpeakerTurn>& turns);

    DiarizationParameters m_parameters;
};
