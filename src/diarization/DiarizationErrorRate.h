#pragma once

#include <QString>
#include <utility>
#include <vector>

// A speaker turn as a scorer sees it.
struct ScoredTurn {
    QString speaker;
    double startSeconds = 0;
    double endSeconds = 0;
};

// Seconds of reference speech and of each kind of error.
struct DiarizationScore {
    double referenceSeconds = 0;
    double missedSeconds = 0;
    double falseAlarmSeconds = 0;
    double confusionSeconds = 0;

    double errorSeconds() const { return missedSeconds + falseAlarmSeconds + confusionSeconds; }
    double rate() const { return referenceSeconds > 0 ? errorSeconds() / referenceSeconds : 0; }
    DiarizationScore& operator+=(const DiarizationScore& other);
};

// Diarization error rate on a 10 ms grid after the best one-to-one mapping of hypothesis to
// reference speakers, inside the scored ranges; optionally leaving out the moments where the
// reference has two or more speakers at once.
class DiarizationErrorRate {
public:
    static DiarizationScore score(const std::vector<ScoredTurn>& reference,
                                  const std::vector<ScoredTurn>& hypothesis,
                                  const std::vector<std::pair<double, double>>& scoredRanges,
                                  bool excludeOverlap);

private:
    static std::vector<int> bestMapping(const std::vector<std::vector<double>>& overlap,
                                        std::size_t hypothesisCount);
};
