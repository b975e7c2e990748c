#include "models/MeetingRecording.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"
#include "models/NaturalOrder.h"

#include <QCryptographicHash>
#include <QJsonArray>

namespace {

std::vector<RecordingAsset> assetsOfKind(const std::vector<RecordingAsset>& assets, RecordingAssetKind kind) {
    std::vector<RecordingAsset> result;
    for (const RecordingAsset& asset : assets) {
        if (asset.kind == kind)
            result.push_back(asset);
    }
    NaturalOrder::stableSort(result, [](const RecordingAsset& asset) { return asset.fileName; });
    return result;
}

} // namespace

std::vector<RecordingAsset> MeetingRecording::audioCandidates() const {
    std::vector<RecordingAsset> tracks = assetsOfKind(assets, RecordingAssetKind::participantAudio);
    if (!tracks.empty())
        return tracks;
    return assetsOfKind(assets, RecordingAssetKind::audio);
}

std::vector<RecordingAsset> MeetingRecording::videoAssets() const {
    return assetsOfKind(assets, RecordingAssetKind::video);
}

std::vector<RecordingAsset> MeetingRecording::transcriptionCandidates() const {
    std::vector<RecordingAsset> audio = audioCandidates();
    if (!audio.empty())
        return audio;
    std::vector<RecordingAsset> videos = videoAssets();
    if (videos.size() > 1)
        videos.resize(1);
    return videos;
}

std::vector<RecordingAsset> MeetingRecording::existingTranscriptAssets() const {
    std::vector<RecordingAsset> result;
    for (const RecordingAsset& asset : assets) {
        if (asset.kind == RecordingAssetKind::transcript || asset.kind == RecordingAssetKind::captions ||
            asset.kind == RecordingAssetKind::chatText)
            result.push_back(asset);
    }
    return result;
}

QString MeetingRecording::recordingID() const {
    const std::vector<RecordingAsset> candidates = transcriptionCandidates();
    const QString key = candidates.empty() ? folderPath : candidates.front().path;
    return QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QJsonObject MeetingRecording::toJson() const {
    QJsonArray assetArray;
    for (const RecordingAsset& asset : assets)
        assetArray.append(asset.toJson());
    return QJsonObject{{QStringLiteral("folderPath"), folderPath},
                       {QStringLiteral("folderName"), folderName},
                       {QStringLiteral("importedAt"), JsonFormat::dateString(importedAt)},
                       {QStringLiteral("assets"), assetArray}};
}

MeetingRecording MeetingRecording::fromJson(const QJsonObject& object) {
    MeetingRecording recording;
    recording.folderPath = JsonFormat::requiredString(object, QStringLiteral("folderPath"));
    recording.folderName = JsonFormat::requiredString(object, QStringLiteral("folderName"));
    recording.importedAt = JsonFormat::requiredDate(object, QStringLiteral("importedAt"));
    const QJsonValue assetsValue = object.value(QStringLiteral("assets"));
    if (!assetsValue.isArray())
        throw JsonDecodingError(
            QStringLiteral("The data couldn’t be read because the value for “assets” is not an array."));
    for (const QJsonValue& value : assetsValue.toArray()) {
        if (!value.isObject())
            throw JsonDecodingError(
                QStringLiteral("The data couldn’t be read because an asset is not an object."));
        recording.assets.push_back(RecordingAsset::fromJson(value.toObject()));
    }
    return recording;
}

QDateTime MeetingRecording::earliestDate() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}
