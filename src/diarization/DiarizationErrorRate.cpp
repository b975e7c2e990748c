#include "diarization/DiarizationErrorRate.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

constexpr double step = 0.01;

// Which speakers (as indices) talk in each frame.
std::vector<std::vector<int>> activity(const std::vector<ScoredTurn>& turns, std::size_t frames,
                                       std::map<QString, int>& speakers) {
    std::vector<std::vector<int>> active(frames);
    for (const ScoredTurn& turn : turns) {
        const int id = speakers.try_emplace(turn.speaker, static_cast<int>(speakers.size())).first->second;
        const auto first = static_cast<std::size_t>(std::max(0.0, std::round(turn.startSeconds / step)));
        const auto end = static_cast<std::size_t>(std::max(0.0, std::round(turn.endSeconds / step)));
        for (std::size_t f = first; f < std::min(end, frames); ++f)
            if (std::find(active[f].begin(), active[f].end(), id) == active[f].end())
                active[f].push_back(id);
    }
    return active;
}

} // namespace

DiarizationScore& DiarizationScore::operator+=(const DiarizationScore& other) {
    referenceSeconds += other.referenceSeconds;
    missedSeconds += other.missedSeconds;
    falseAlarmSeconds += other.falseAlarmSeconds;
    confusionSeconds += other.confusionSeconds;
    return *this;
}

DiarizationScore DiarizationErrorRate::score(const std::vector<ScoredTurn>& reference,
                                             const std::vector<ScoredTurn>& hypothesis,
                                             const std::vector<std::pair<double, double>>& scoredRanges,
                                             bool excludeOverlap) {
    double end = 0;
    for (const auto& [first, last] : scoredRanges)
        end = std::max(end, last);
    const auto frames = static_cast<std::size_t>(std::ceil(end / step));
    std::vector<bool> scored(frames, false);
    for (const auto& [first, last] : scoredRanges)
        for (auto f = static_cast<std::size_t>(std::round(first / step));
             f < std::min(frames, static_cast<std::size_t>(std::round(last / step))); ++f)
            scored[f] = true;
    std::map<QString, int> referenceSpeakers, hypothesisSpeakers;
    const auto ref = activity(reference, frames, referenceSpeakers);
    const auto hyp = activity(hypothesis, frames, hypothesisSpeakers);
    for (std::size_t f = 0; f < frames; ++f)
        if (excludeOverlap && ref[f].size() >= 2)
            scored[f] = false;

    std::vector<std::vector<double>> overlap(referenceSpeakers.size(),
                                             std::vector<double>(hypothesisSpeakers.size()));
    for (std::size_t f = 0; f < frames; ++f)
        if (scored[f])
            for (const int r : ref[f])
                for (const int h : hyp[f])
                    overlap[static_cast<std::size_t>(r)][static_cast<std::size_t>(h)] += 1;
    const std::vector<int> mapping = bestMapping(overlap, hypothesisSpeakers.size());

    DiarizationScore result;
    for (std::size_t f = 0; f < frames; ++f) {
        if (!scored[f])
            continue;
        const double r = static_cast<double>(ref[f].size()), h = static_cast<double>(hyp[f].size());
        double correct = 0;
        for (const int rs : ref[f]) {
            const int mapped = mapping[static_cast<std::size_t>(rs)];
            if (mapped >= 0 && std::find(hyp[f].begin(), hyp[f].end(), mapped) != hyp[f].end())
                ++correct;
        }
        result.referenceSeconds += r * step;
        result.missedSeconds += std::max(0.0, r - h) * step;
        result.falseAlarmSeconds += std::max(0.0, h - r) * step;
        result.confusionSeconds += (std::min(r, h) - correct) * step;
    }
    return result;
}

std::vector<int> DiarizationErrorRate::bestMapping(const std::vector<std::vector<double>>& overlap,
                                                   std::size_t hypothesisCount) {
    // Exact search over subsets of the (at most 14) busiest hypothesis speakers.
    std::vector<std::size_t> candidates(hypothesisCount);
    std::iota(candidates.begin(), candidates.end(), 0);
    const auto total = [&](std::size_t h) {
        double sum = 0;
        for (const auto& row : overlap)
            sum += row[h];
        return sum;
    };
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](std::size_t a, std::size_t b) { return total(a) > total(b); });
    candidates.resize(std::min<std::size_t>(candidates.size(), 14));
    const std::size_t masks = std::size_t{1} << candidates.size();
    const std::size_t refs = overlap.size();
    // best[r][mask]: the largest overlap of reference speakers r.. using hypotheses outside mask.
    std::vector<std::vector<double>> best(refs + 1, std::vector<double>(masks, 0));
    std::vector<std::vector<int>> choice(refs + 1, std::vector<int>(masks, -1));
    for (std::size_t r = refs; r-- > 0;)
        for (std::size_t mask = 0; mask < masks; ++mask) {
            best[r][mask] = best[r + 1][mask];
            for (std::size_t c = 0; c < candidates.size(); ++c) {
                if (mask & (std::size_t{1} << c))
                    continue;
                const double value = overlap[r][candidates[c]] + best[r + 1][mask | (std::size_t{1} << c)];
                if (value > best[r][mask]) {
                    best[r][mask] = value;
                    choice[r][mask] = static_cast<int>(c);
                }
            }
        }
    std::vector<int> mapping(refs, -1);
    std::size_t mask = 0;
    for (std::size_t r = 0; r < refs; ++r)
        if (const int c = choice[r][mask]; c >= 0) {
            mapping[r] = static_cast<int>(candidates[static_cast<std::size_t>(c)]);
            mask |= std::size_t{1} << c;
        }
    return mapping;
}
