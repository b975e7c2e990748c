#include "services/ParticipantTrackTranscriptFormatter.h"
#include "services/SpeakerTranscriptFormatter.h"

#include <gtest/gtest.h>

namespace {

TimedTranscriptSegment segment(double start, double end, const QString& text) {
    return {start, end, text};
}

} // namespace

TEST(HeadingTime, RoundsHalvesAwayFromZeroAndNeverCapsMinutes) {
    const std::vector<std::pair<double, QString>> cases = {
        {0, QStringLiteral("00:00")},    {0.49, QStringLiteral("00:00")}, {0.5, QStringLiteral("00:01")},
        {59.5, QStringLiteral("01:00")}, {4503, QStringLiteral("75:03")}, {6000, QStringLiteral("100:00")},
        {-3, QStringLiteral("00:00")},   {-0.6, QStringLiteral("00:00")}, {599.4, QStringLiteral("09:59")},
    };
    for (const auto& [seconds, expected] : cases)
        EXPECT_EQ(SpeakerTranscriptFormatter::headingTime(seconds), expected) << seconds;
}

TEST(SpeakerTranscriptFormatter, WritesTheTwoSpeakerExample) {
    const QString body = SpeakerTranscriptFormatter::format({segment(0, 4, QStringLiteral("Good morning.")),
                                                             segment(4, 6, QStringLiteral("Hi.")),
                                                             segment(6, 9, QStringLiteral("Let us start."))},
                                                            {{1, 0, 4.5}, {2, 4.5, 10}});
    EXPECT_EQ(body,
              QStringLiteral("[00:00] Speaker 1\nGood morning.\n\n[00:04] Speaker 2\nHi. Let us start."));
}

TEST(SpeakerTranscriptFormatter, PicksTheSpeakerThatOverlapsMost) {
    struct Case {
        const char* name;
        std::vector<DiarizedSpeakerSegment> speakers;
        QString expectedHeading;
    };
    // The Whisper segment runs from 10 to 12 seconds.
    const std::vector<Case> cases = {
        {"no speaker segments", {}, QStringLiteral("[00:10] Speaker 1")},
        {"entirely in a gap", {{2, 5, 9.5}, {3, 12.5, 20}}, QStringLiteral("[00:10] Speaker 1")},
        {"touching at one instant", {{2, 5, 10}, {3, 12, 20}}, QStringLiteral("[00:10] Speaker 1")},
        {"equal overlaps: first listed", {{3, 9, 11}, {2, 11, 13}}, QStringLiteral("[00:10] Speaker 3")},
        {"larger overlap later", {{3, 9, 10.5}, {2, 10.5, 13}}, QStringLiteral("[00:10] Speaker 2")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpeakerTranscriptFormatter::format({segment(10, 12, QStringLiteral("x"))}, c.speakers),
                  c.expectedHeading + QStringLiteral("\nx"))
            << c.name;
}

TEST(SpeakerTranscriptFormatter, MergesOneSpeakerWithoutGapLimitAndTrimsBlocks) {
    EXPECT_EQ(SpeakerTranscriptFormatter::format({}, {{1, 0, 5}}), QString());
    EXPECT_EQ(SpeakerTranscriptFormatter::format({segment(1, 2, QString()),
                                                  segment(300, 301, QStringLiteral("Later.")),
                                                  segment(4000, 4001, QStringLiteral("Much later."))},
                                                 {}),
              QStringLiteral("[00:01] Speaker 1\nLater. Much later."));
}

TEST(ParticipantTrackTranscriptFormatter, MergesTracksByStartTime) {
    const auto host = [](double guestStart) {
        return std::vector<ParticipantTranscriptTrack>{
            {QStringLiteral("Host"),
             {segment(0.4, 1, QStringLiteral("Hi.")), segment(5, 6, QStringLiteral("How are you?"))}},
            {QStringLiteral("Guest"), {segment(guestStart, guestStart + 1, QStringLiteral("Hello."))}}};
    };
    EXPECT_EQ(ParticipantTrackTranscriptFormatter::format(host(2.6)),
              QStringLiteral("[00:00] Host\nHi.\n\n[00:03] Guest\nHello.\n\n[00:05] Host\nHow are you?"));
    EXPECT_EQ(ParticipantTrackTranscriptFormatter::format(host(6.0)),
              QStringLiteral("[00:00] Host\nHi. How are you?\n\n[00:06] Guest\nHello."));
}

TEST(ParticipantTrackTranscriptFormatter, KeepsTrackOrderAtEqualStartsAndWritesTextUnchanged) {
    EXPECT_EQ(ParticipantTrackTranscriptFormatter::format(
                  {{QStringLiteral("B"), {segment(3, 4, QStringLiteral("first"))}},
                   {QStringLiteral("A"), {segment(3, 4, QStringLiteral("second"))}}}),
              QStringLiteral("[00:03] B\nfirst\n\n[00:03] A\nsecond"));
    EXPECT_EQ(ParticipantTrackTranscriptFormatter::format(
                  {{QStringLiteral("Ann %1"),
                    {segment(59.5, 60, QString()), segment(61, 62, QStringLiteral("Go."))}}}),
              QStringLiteral("[01:00] Ann %1\n Go."));
    EXPECT_EQ(ParticipantTrackTranscriptFormatter::format({}), QString());
}
