#include "services/TranscriptRenderer.h"

#include "models/TranscriptBlockParser.h"
#include "models/TranscriptText.h"

namespace TranscriptRenderer {
namespace {

const char* const pageHead = R"(<head>
  <meta charset="utf-8">
  <meta name="viewport" content="width=device-width, initial-scale=1">
  <title>%1</title>
  <style>
    body {
      margin: 48px auto; max-width: 860px; padding: 0 24px;
      font: 16px/1.55 -apple-system, BlinkMacSystemFont, "SF Pro Text", sans-serif;
      color: #171717; background: #fbfbfa;
    }
    h1 { font-size: 28px; line-height: 1.2; margin: 0 0 8px; }
    .path { color: #6b6b6b; font-size: 13px; margin-bottom: 32px; word-break: break-all; }
    h2 { font-size: 15px; line-height: 1.3; margin: 26px 0 8px; color: #0b4f71; }
    time { color: #737373; font-weight: 500; margin-right: 8px; }
    p { margin: 0 0 12px; }
  </style>
</head>)";

QString bodyLine(QStringView line) {
    const QString text = line.toString().trimmed();
    if (text.isEmpty())
        return {};
    if (text.startsWith(QLatin1String("## ")))
        return QStringLiteral("  <h2>") + htmlEscaped(text.mid(3)) + QStringLiteral("</h2>");
    QString timestamp;
    QString speaker;
    if (TranscriptBlockParser::matchTimestampHeading(text, &timestamp, &speaker))
        return QStringLiteral("  <h2><time>") + htmlEscaped(timestamp) + QStringLiteral("</time>") +
               htmlEscaped(speaker) + QStringLiteral("</h2>");
    return QStringLiteral("  <p>") + htmlEscaped(text) + QStringLiteral("</p>");
}

QString bodyLines(const QString& body) {
    QStringList lines;
    for (const QStringView line : TranscriptText::lines(body))
        lines.append(bodyLine(line));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString htmlEscaped(const QString& text) {
    QString result = text;
    result.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    result.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    result.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    result.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    result.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return result;
}

QString html(const TranscriptDocument& document) {
    // The language code comes from the Whisper output or a file on disk, so it is escaped too;
    // ordinary codes such as "en" are unchanged by that.
    const QString language = document.transcriptionMetadata ? document.transcriptionMetadata->htmlLanguage()
                                                            : QStringLiteral("en");
    const QString title = htmlEscaped(document.title);
    QStringList page{QStringLiteral("<!doctype html>"),
                     QStringLiteral("<html lang=\"%1\">").arg(htmlEscaped(language)),
                     QString::fromUtf8(pageHead).arg(title),
                     QStringLiteral("<body>"),
                     QStringLiteral("  <h1>") + title + QStringLiteral("</h1>"),
                     QStringLiteral("  <div class=\"path\">") + htmlEscaped(document.recordingFolderPath) +
                         QStringLiteral("</div>"),
                     bodyLines(document.body),
                     QStringLiteral("</body>"),
                     QStringLiteral("</html>")};
    return page.join(QLatin1Char('\n'));
}

QString markdown(const TranscriptDocument& document) {
    return document.body;
}

QString plainText(const TranscriptDocument& document) {
    QString text = document.body;
    text.remove(QStringLiteral("## "));
    text.remove(QStringLiteral("# "));
    return text;
}

QString rendered(const TranscriptDocument& document, TranscriptExportFormat format) {
    switch (format) {
    case TranscriptExportFormat::html:
        return html(document);
    case TranscriptExportFormat::markdown:
        return markdown(document);
    case TranscriptExportFormat::plainText:
        break;
    }
    return plainText(document);
}

} // namespace TranscriptRenderer
