#include "models/RecordingAsset.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

#include <QRegularExpression>

std::optional<QString> RecordingAsset::participantSpeakerName() const {
    if (kind != RecordingAssetKind::participantAudio)
        return std::nullopt;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    QString name = dot >= 0 ? fileName.left(dot) : fileName;
    static const QRegularExpression trailingNumber(QStringLiteral("_[0-9]+$"));
    const auto match = trailingNumber.match(name);
    if (match.hasMatch())
        name.remove(match.capturedStart(), match.capturedLength());
    name = name.trimmed();
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

QJsonObject RecordingAsset::toJson() const {
    QJsonObject object{{QStringLiteral("path"), path},
                       {QStringLiteral("fileName"), fileName},
                       {QStringLiteral("kind"), RecordingAssetKinds::rawValue(kind)},
                       {QStringLiteral("byteCount"), byteCount}};
    if (durationSeconds)
        object.insert(QStringLiteral("durationSeconds"), *durationSeconds);
    return object;
}

RecordingAsset RecordingAsset::fromJson(const QJsonObject& object) {
    RecordingAsset asset;
    asset.path = JsonFormat::requiredString(object, QStringLiteral("path"));
    asset.fileName = JsonFormat::requiredString(object, QStringLiteral("fileName"));
    const QString kind = JsonFormat::requiredString(object, QStringLiteral("kind"));
    const auto parsedKind = RecordingAssetKinds::fromRawValue(kind);
    if (!parsedKind)
        throw JsonDecodingError(QStringLiteral("The data couldn’t be read because “%1” is not a kind of "
                                               "recording file.")
                                    .arg(kind));
    asset.kind = *parsedKind;
    asset.byteCount = JsonFormat::requiredInteger(object, QStringLiteral("byteCount"));
    asset.durationSeconds = JsonFormat::optionalDouble(object, QStringLiteral("durationSeconds"));
    return asset;
}
