#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

// The conventions every persisted JSON file follows: keys sorted (QJsonObject keeps them so),
// optional members omitted, dates as whole-second UTC ISO 8601 strings, schemaVersion 0 when
// missing. Readers throw JsonDecodingError naming the offending key.
namespace JsonFormat {

QString dateString(const QDateTime& date);
// Accepts "YYYY-MM-DDThh:mm:ssZ" or a numeric offset; a fractional part is an error.
QDateTime parseDate(const QString& text, const QString& key);

QJsonObject parseObject(const QByteArray& data);
QByteArray pretty(const QJsonObject& object);
QByteArray compact(const QJsonObject& object);

QString requiredString(const QJsonObject& object, const QString& key);
QDateTime requiredDate(const QJsonObject& object, const QString& key);
qint64 requiredInteger(const QJsonObject& object, const QString& key);
QJsonObject requiredObject(const QJsonObject& object, const QString& key);
std::optional<QString> optionalString(const QJsonObject& object, const QString& key);
std::optional<double> optionalDouble(const QJsonObject& object, const QString& key);
std::optional<bool> optionalBool(const QJsonObject& object, const QString& key);
qint64 schemaVersion(const QJsonObject& object);

} // namespace JsonFormat
