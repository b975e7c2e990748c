#include "services/WhisperJSONTranscriptParser.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

[[noreturn]] void fail(const QString& key, const QString& problem) {
    throw JsonDecodingError(
        QStringLiteral("The data couldn’t be read because the value for “%1” %2.").arg(key, problem));
}

// An absent member reads as an empty object; one of another type is an error.
QJsonObject optionalObject(const QJsonObject& object, const QString& key) {
    return object.contains(key) ? JsonFormat::requiredObject(object, key) : QJsonObject();
}

} // namespace

WhisperParsedTranscript WhisperJSONTranscriptParser::parse(const QByteArray& data) {
    const QJsonObject root = JsonFormat::parseObject(data);
    const QJsonValue transcription = root.value(QStringLiteral("transcription"));
    if (!transcription.isArray())
        fail(QStringLiteral("transcription"), QStringLiteral("is not an array"));

    WhisperParsedTranscript parsed;
    for (const QJsonValue& value : transcription.toArray())
        parsed.segments.push_back(segment(value));
    const QJsonObject result = optionalObject(root, QStringLiteral("result"));
    parsed.detectedLanguage = JsonFormat::optionalString(result, QStringLiteral("language"));
    const QJsonObject params = optionalObject(root, QStringLiteral("params"));
    const bool translated = JsonFormat::optionalBool(params, QStringLiteral("translate")).value_or(false);
    parsed.transcriptionTask = translated ? QStringLiteral("translate") : QStringLiteral("transcribe");
    return parsed;
}

TimedTranscriptSegment WhisperJSONTranscriptParser::segment(const QJsonValue& value) {
    if (!value.isObject())
        fail(QStringLiteral("transcription"), QStringLiteral("holds an element that is not an object"));
    const QJsonObject object = value.toObject();
    const QJsonObject offsets = JsonFormat::requiredObject(object, QStringLiteral("offsets"));
    TimedTranscriptSegment segment;
    segment.startSeconds =
        static_cast<double>(JsonFormat::requiredInteger(offsets, QStringLiteral("from"))) / 1000.0;
    segment.endSeconds =
        static_cast<double>(JsonFormat::requiredInteger(offsets, QStringLiteral("to"))) / 1000.0;
    segment.text = JsonFormat::requiredString(object, QStringLiteral("text")).trimmed();
    return segment;
}
