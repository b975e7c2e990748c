#include "models/JsonFormat.h"

#include "models/JsonDecodingError.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <cmath>

namespace JsonFormat {
namespace {

[[noreturn]] void fail(const QString& key, const QString& problem) {
    throw JsonDecodingError(
        QStringLiteral("The data couldn’t be read because the value for “%1” %2.").arg(key, problem));
}

QJsonValue required(const QJsonObject& object, const QString& key) {
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        fail(key, QStringLiteral("is missing"));
    return *it;
}

} // namespace

QString dateString(const QDateTime& date) {
    return date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

QDateTime parseDate(const QString& text, const QString& key) {
    static const QRegularExpression form(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(Z|[+-]\d{2}:\d{2})$)"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        fail(key, QStringLiteral("is not a whole-second ISO 8601 date"));
    const QDate day(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!day.isValid() || !time.isValid())
        fail(key, QStringLiteral("is not a valid date"));
    int offsetSeconds = 0;
    const QString zone = match.captured(7);
    if (zone != QStringLiteral("Z")) {
        const int sign = zone.startsWith(QLatin1Char('-')) ? -1 : 1;
        offsetSeconds = sign * (zone.mid(1, 2).toInt() * 3600 + zone.mid(4, 2).toInt() * 60);
    }
    return QDateTime(day, time, Qt::UTC).addSecs(-offsetSeconds);
}

QJsonObject parseObject(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonDecodingError(QStringLiteral("The data couldn’t be read because it isn’t in the correct "
                                               "format (%1 at offset %2).")
                                    .arg(error.errorString())
                                    .arg(error.offset));
    if (!document.isObject())
        throw JsonDecodingError(QStringLiteral("The data couldn’t be read because it isn’t a JSON object."));
    return document.object();
}

QByteArray pretty(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString requiredString(const QJsonObject& object, const QString& key) {
    const QJsonValue value = required(object, key);
    if (!value.isString())
        fail(key, QStringLiteral("is not a string"));
    return value.toString();
}

QDateTime requiredDate(const QJsonObject& object, const QString& key) {
    return parseDate(requiredString(object, key), key);
}

qint64 requiredInteger(const QJsonObject& object, const QString& key) {
    const QJsonValue value = required(object, key);
    const double number = value.toDouble();
    if (!value.isDouble() || std::floor(number) != number || std::abs(number) > 9.007199254740992e15)
        fail(key, QStringLiteral("is not an integer"));
    return static_cast<qint64>(number);
}

QJsonObject requiredObject(const QJsonObject& object, const QString& key) {
    const QJsonValue value = required(object, key);
    if (!value.isObject())
        fail(key, QStringLiteral("is not an object"));
    return value.toObject();
}

std::optional<QString> optionalString(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        fail(key, QStringLiteral("is not a string"));
    return value.toString();
}

std::optional<double> optionalDouble(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isDouble())
        fail(key, QStringLiteral("is not a number"));
    return value.toDouble();
}

std::optional<bool> optionalBool(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isBool())
        fail(key, QStringLiteral("is not a Boolean"));
    return value.toBool();
}

qint64 schemaVersion(const QJsonObject& object) {
    const QString key = QStringLiteral("schemaVersion");
    return object.contains(key) ? requiredInteger(object, key) : 0;
}

} // namespace JsonFormat
