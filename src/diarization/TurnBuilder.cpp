#include "diarization/TurnBuilder.h"

#include "diarization/FrameFeatures.h"

#include <cmath>
#include <map>

namespace {

std::size_t toFrames(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds / FrameFeatures::frameSeconds));
}

} // namespace

std::vector<SpeakerTurn> TurnBuilder::build(const std::vector<int>& labels) const {
    std::vector<SpeakerTurn> turns = runs(labels);
    joinAcrossPauses(turns);
    absorbShortTurns(turns);
    joinAcrossPauses(turns);
    renumber(turns);
    return turns;
}

std::vector<SpeakerTurn> TurnBuilder::runs(const std::vector<int>& labels) {
    std::vector<SpeakerTurn> turns;
    for (std::size_t f = 0; f < labels.size();) {
        std::size_t end = f;
        while (end < labels.size() && labels[end] == labels[f])
            ++end;
        if (labels[f] >= 0)
            turns.push_back({f, end, labels[f]});
        f = end;
    }
    return turns;
}

void TurnBuilder::joinAcrossPauses(std::vector<SpeakerTurn>& turns) const {
    const std::size_t gap = toFrames(m_parameters.mergeGapSeconds);
    std::vector<SpeakerTurn> joined;
    for (const SpeakerTurn& turn : turns) {
        if (!joined.empty() && joined.back().speaker == turn.speaker &&
            turn.firstFrame - joined.back().endFrame <= gap)
            joined.back().endFrame = turn.endFrame;
        else
            joined.push_back(turn);
    }
    turns.swap(joined);
}

void TurnBuilder::absorbShortTurns(std::vector<SpeakerTurn>& turns) const {
    const std::size_t shortest = toFrames(m_parameters.minimumTurnSeconds);
    for (std::size_t i = 0; i < turns.size(); ++i) {
        SpeakerTurn& turn = turns[i];
        if (turn.length() >= shortest)
            continue;
        // Give it to the closer neighbour that touches it; an isolated short turn stays.
        const std::size_t gap = toFrames(m_parameters.mergeGapSeconds);
        const bool hasBefore = i > 0 && turn.firstFrame - turns[i - 1].endFrame <= gap;
        const bool hasAfter = i + 1 < turns.size() && turns[i + 1].firstFrame - turn.endFrame <= gap;
        if (hasBefore &&
            (!hasAfter || turn.firstFrame - turns[i - 1].endFrame <= turns[i + 1].firstFrame - turn.endFrame))
            turn.speaker = turns[i - 1].speaker;
        else if (hasAfter)
            turn.speaker = turns[i + 1].speaker;
    }
}

void TurnBuilder::renumber(std::vector<SpeakerTurn>& turns) {
    std::map<int, int> numbers;
    for (SpeakerTurn& turn : turns) {
        const auto [it, inserted] = numbers.try_emplace(turn.speaker, static_cast<int>(numbers.size()));
        turn.speaker = it->second;
    }
}
