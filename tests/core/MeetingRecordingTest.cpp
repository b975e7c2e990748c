#include "models/MeetingRecording.h"
#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <gtest/gtest.h>

namespace {

RecordingAsset asset(const char* name, RecordingAssetKind kind, std::optional<double> duration = {}) {
    const QString fileName = QString::fromUtf8(name);
    return RecordingAsset{QStringLiteral("/m/") + fileName, fileName, kind, 10, duration};
}

MeetingRecording recordingWith(std::vector<RecordingAsset> assets) {
    return MeetingRecording{QStringLiteral("/m"), QStringLiteral("m"), MeetingRecording::earliestDate(),
                            std::move(assets)};
}

QStringList names(const std::vector<RecordingAsset>& assets) {
    QStringList result;
    for (const RecordingAsset& a : assets)
        result << a.fileName;
    return result;
}

QString sha256(const QString& text) {
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

using K = RecordingAssetKind;

} // namespace

TEST(MeetingRecording, CandidatesPreferTracksThenMixedAudioThenOneVideo) {
    const struct {
        std::vector<RecordingAsset> assets;
        QStringList candidates;
    } cases[] = {
        {{asset("mix.m4a", K::audio), asset("John_2.m4a", K::participantAudio),
          asset("Jane_1.m4a", K::participantAudio)},
         {QStringLiteral("Jane_1.m4a"), QStringLiteral("John_2.m4a")}},
        {{asset("b.mp4", K::video), asset("mix.m4a", K::audio)}, {QStringLiteral("mix.m4a")}},
        {{asset("b.mp4", K::video), asset("a.mov", K::video)}, {QStringLiteral("a.mov")}},
        {{asset("Track 10.m4a", K::audio), asset("track 9.m4a", K::audio)},
         {QStringLiteral("track 9.m4a"), QStringLiteral("Track 10.m4a")}},
        {{asset("chat.txt", K::chatText)}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(names(recordingWith(c.assets).transcriptionCandidates()), c.candidates);
}

TEST(MeetingRecording, RecordingIDHashesTheFirstCandidateOrTheFolder) {
    const MeetingRecording textOnly = recordingWith({asset("notes.txt", K::transcript)});
    EXPECT_EQ(textOnly.recordingID(), sha256(QStringLiteral("/m")));

    MeetingRecording withAudio = recordingWith({asset("a.m4a", K::audio)});
    withAudio.assets[0].path = QStringLiteral("/tmp/abc");
    EXPECT_EQ(withAudio.recordingID(),
              QStringLiteral("60cac51926c403126d7f813a893ac62a9de220c66c27de0dd91446b47f236fa5"));
    EXPECT_EQ(withAudio.recordingID(), sha256(QStringLiteral("/tmp/abc")));
    EXPECT_EQ(withAudio.recordingID(), withAudio.recordingID().toLower());
}

TEST(MeetingRecording, ExistingTranscriptAssetsKeepAssetOrder) {
    const MeetingRecording recording =
        recordingWith({asset("z.vtt", K::captions), asset("a.m4a", K::audio), asset("chat.txt", K::chatText),
                       asset("notes.txt", K::transcript)});
    EXPECT_EQ(
        names(recording.existingTranscriptAssets()),
        (QStringList{QStringLiteral("z.vtt"), QStringLiteral("chat.txt"), QStringLiteral("notes.txt")}));
}

TEST(RecordingAsset, ParticipantSpeakerNameFromTheFileName) {
    const struct {
        const char* fileName;
        RecordingAssetKind kind;
        const char* expected;
    } cases[] = {
        {"Jane Doe_123456.m4a", K::participantAudio, "Jane Doe"},
        {"speaker_2024_01.m4a", K::participantAudio, "speaker_2024"},
        {"_42.wav", K::participantAudio, nullptr},
        {"  Ana  .m4a", K::participantAudio, "Ana"},
        {"NoNumber", K::participantAudio, "NoNumber"},
        {"José_7.m4a", K::participantAudio, "José"},
        {"Jane_1.m4a", K::audio, nullptr},
    };
    for (const auto& c : cases) {
        const auto name = asset(c.fileName, c.kind).participantSpeakerName();
        if (c.expected)
            EXPECT_EQ(name, QString::fromUtf8(c.expected)) << c.fileName;
        else
            EXPECT_FALSE(name) << c.fileName;
    }
}

TEST(MeetingRecording, JsonRoundTripAndStrictKinds) {
    const MeetingRecording recording =
        recordingWith({asset("a.m4a", K::audio, 12.5), asset("chat.txt", K::chatText)});
    const QJsonObject json = recording.toJson();
    EXPECT_FALSE(json.value(QStringLiteral("assets"))
                     .toArray()
                     .at(1)
                     .toObject()
                     .contains(QStringLiteral("durationSeconds")));
    EXPECT_EQ(MeetingRecording::fromJson(json), recording);

    QJsonObject broken = json;
    QJsonArray assets = broken.value(QStringLiteral("assets")).toArray();
    QJsonObject first = assets.at(0).toObject();
    first.insert(QStringLiteral("kind"), QStringLiteral("podcast"));
    assets.replace(0, first);
    broken.insert(QStringLiteral("assets"), assets);
    EXPECT_THROW(MeetingRecording::fromJson(broken), JsonDecodingError);
}
