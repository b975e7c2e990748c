#include "models/TranscriptBlockParser.h"

#include "models/TranscriptText.h"

#include <QRegularExpression>

namespace TranscriptBlockParser {
namespace {

struct OpenBlock {
    TranscriptBlock::HeadingStyle headingStyle;
    std::optional<QString> speaker;
    QStringList lines;
};

void close(const OpenBlock& block, std::vector<TranscriptBlock>& result) {
    const QString text = block.lines.join(QLatin1Char('\n')).trimmed();
    if (!block.speaker && text.isEmpty())
        return;
    result.push_back({static_cast<qsizetype>(result.size()), block.headingStyle, block.speaker, text});
}

QString trimmedSpacesAndTabs(QStringView text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [&](qsizetype i) { return text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'); };
    while (start < end && blank(start))
        ++start;
    while (end > start && blank(end - 1))
        --end;
    return text.sliced(start, end - start).toString();
}

QString piece(const TranscriptBlock& block) {
    const QString text = block.text.trimmed();
    const QString name = block.speaker.value_or(QStringLiteral("Speaker"));
    switch (block.headingStyle.kind) {
    case TranscriptBlock::HeadingStyle::Kind::timestamp:
        return QLatin1Char('[') + block.headingStyle.timestamp + QStringLiteral("] ") + name +
               QLatin1Char('\n') + text;
    case TranscriptBlock::HeadingStyle::Kind::section:
        return QStringLiteral("## ") + name + QStringLiteral("\n\n") + text;
    case TranscriptBlock::HeadingStyle::Kind::none:
        break;
    }
    return text;
}

} // namespace

bool matchTimestampHeading(QStringView line, QString* timestamp, QString* speaker) {
    static const QRegularExpression heading(QStringLiteral(R"(^\[([0-9:]+)\]\s+(.+)$)"));
    if (!line.startsWith(QLatin1Char('[')))
        return false;
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    const QRegularExpressionMatch match = heading.matchView(line);
#else
    const QRegularExpressionMatch match = heading.match(line);
#endif
    if (!match.hasMatch())
        return false;
    if (timestamp)
        *timestamp = match.captured(1);
    if (speaker)
        *speaker = match.captured(2);
    return true;
}

std::vector<TranscriptBlock> parse(const QString& body) {
    const QString trimmed = body.trimmed();
    if (trimmed.isEmpty())
        return {TranscriptBlock{}};
    std::vector<TranscriptBlock> result;
    OpenBlock current;
    for (const QStringView line : TranscriptText::lines(trimmed)) {
        QString timestamp;
        QString speaker;
        if (matchTimestampHeading(line, &timestamp, &speaker)) {
            close(current, result);
            current = {TranscriptBlock::HeadingStyle::timestampHeading(timestamp), speaker, {}};
        } else if (line.startsWith(QLatin1String("## "))) {
            close(current, result);
            current = {TranscriptBlock::HeadingStyle::section(), trimmedSpacesAndTabs(line.sliced(3)), {}};
        } else {
            current.lines.append(line.toString());
        }
    }
    close(current, result);
    return result;
}

QString serialize(const std::vector<TranscriptBlock>& blocks) {
    QStringList pieces;
    pieces.reserve(static_cast<qsizetype>(blocks.size()));
    for (const TranscriptBlock& block : blocks)
        pieces.append(piece(block));
    return pieces.join(QStringLiteral("\n\n"));
}

} // namespace TranscriptBlockParser
