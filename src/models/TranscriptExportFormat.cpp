#include "models/TranscriptExportFormat.h"

namespace TranscriptExportFormats {

QString label(TranscriptExportFormat format) {
    switch (format) {
    case TranscriptExportFormat::html:
        return QStringLiteral("HTML");
    case TranscriptExportFormat::markdown:
        return QStringLiteral("Markdown");
    case TranscriptExportFormat::plainText:
        break;
    }
    return QStringLiteral("TXT");
}

QString fileExtension(TranscriptExportFormat format) {
    switch (format) {
    case TranscriptExportFormat::html:
        return QStringLiteral("html");
    case TranscriptExportFormat::markdown:
        return QStringLiteral("md");
    case TranscriptExportFormat::plainText:
        break;
    }
    return QStringLiteral("txt");
}

std::optional<TranscriptExportFormat> fromCommandLineName(const QString& name) {
    if (name == QStringLiteral("html"))
        return TranscriptExportFormat::html;
    if (name == QStringLiteral("markdown"))
        return TranscriptExportFormat::markdown;
    if (name == QStringLiteral("text"))
        return TranscriptExportFormat::plainText;
    return std::nullopt;
}

} // namespace TranscriptExportFormats
