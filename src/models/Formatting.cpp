#include "models/Formatting.h"

#include <cmath>

namespace Formatting {

QString formatDuration(double seconds) {
    const double rounded = std::isfinite(seconds) ? std::round(seconds) : 0.0;
    const qint64 n = rounded > 0 ? static_cast<qint64>(rounded) : 0;
    if (n >= 3600)
        return QStringLiteral("%1h %2m").arg(n / 3600).arg((n % 3600) / 60);
    if (n >= 60)
        return QStringLiteral("%1m %2s").arg(n / 60).arg(n % 60);
    return QStringLiteral("%1s").arg(n);
}

QString sanitizedFileName(const QString& name) {
    QString result = name;
    result.replace(QLatin1Char('/'), QLatin1Char('-'));
    result.replace(QLatin1Char(':'), QLatin1Char('-'));
    return result;
}

QString countPhrase(qsizetype count, const QString& noun) {
    return QString::number(count) + QLatin1Char(' ') + noun + (count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace Formatting
