#include "services/SpeakerTranscriptFormatter.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

struct SpeakerTranscriptBlock {
    int speakerNumber = 1;
    double startSeconds = 0;
    QString text;
};

double overlap(const TimedTranscriptSegment& segment, const DiarizedSpeakerSegment& speaker) {
    return std::max(0.0, std::min(segment.endSeconds, speaker.endSeconds) -
                             std::max(segment.startSeconds, speaker.startSeconds));
}

} // namespace

QString SpeakerTranscriptFormatter::format(const std::vector<TimedTranscriptSegment>& timedSegments,
                                           const std::vector<DiarizedSpeakerSegment>& diarizedSegments) {
    std::vector<SpeakerTranscriptBlock> blocks;
    for (const TimedTranscriptSegment& segment : timedSegments) {
        const int number = speakerNumber(segment, diarizedSegments);
        if (!blocks.empty() && blocks.back().speakerNumber == number)
            blocks.back().text += QLatin1Char(' ') + segment.text;
        else
            blocks.push_back({number, segment.startSeconds, segment.text});
    }
    QStringList rendered;
    for (const SpeakerTranscriptBlock& block : blocks)
        rendered << QLatin1Char('[') + headingTime(block.startSeconds) + QStringLiteral("] Speaker ") +
                        QString::number(block.speakerNumber) + QLatin1Char('\n') + block.text.trimmed();
    return rendered.join(QStringLiteral("\n\n"));
}

QString SpeakerTranscriptFormatter::headingTime(double seconds) {
    const double rounded = std::round(seconds); // std::round rounds halves away from zero
    const long long whole = rounded > 0 ? static_cast<long long>(rounded) : 0; // NaN fails the test too
    return QStringLiteral("%1:%2")
        .arg(whole / 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

int SpeakerTranscriptFormatter::speakerNumber(const TimedTranscriptSegment& segment,
                                              const std::vector<DiarizedSpeakerSegment>& diarizedSegments) {
    const DiarizedSpeakerSegment* best = nullptr;
    double bestOverlap = 0;
    for (const DiarizedSpeakerSegment& speaker : diarizedSegments) {
        const double candidate = overlap(segment, speaker);
        if (!best || candidate > bestOverlap) {
            best = &speaker;
            bestOverlap = candidate;
        }
    }
    return best && bestOverlap > 0 ? best->speakerNumber : 1;
}
