#include "models/SpeakerLabels.h"

#include "models/NaturalOrder.h"

#include <QRegularExpression>
#include <QSet>
#include <QTextBoundaryFinder>
#include <set>

namespace SpeakerLabels {
namespace {

constexpr qsizetype longestLabel = 60;

// At most `limit` user-perceived characters (grapheme clusters), as a person counts them.
bool fitsIn(const QString& text, qsizetype limit) {
    if (text.size() <= limit)
        return true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype characters = 0;
    while (finder.toNextBoundary() >= 0) {
        if (++characters > limit)
            return false;
    }
    return true;
}

void appendLabels(const QRegularExpression& heading, const QString& body, QStringList& labels) {
    for (auto it = heading.globalMatch(body); it.hasNext();) {
        const QString label = it.next().captured(1).trimmed();
        if (!label.isEmpty() && fitsIn(label, longestLabel))
            labels.append(label);
    }
}

// Every match of heading replaced by its first group, the new label, then its second group (if
// any); written out by hand so that nothing in the new label acts as a back-reference.
QString replaced(const QRegularExpression& heading, const QString& newLabel, const QString& body) {
    if (!heading.isValid())
        return body;
    QString result;
    qsizetype copied = 0;
    for (auto it = heading.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(body).sliced(copied, match.capturedStart() - copied);
        result += match.captured(1) + newLabel + match.captured(2);
        copied = match.capturedEnd();
    }
    result += QStringView(body).sliced(copied);
    return result;
}

} // namespace

QStringList detected(const QString& body) {
    // The white space after the bracket or "##" may include line breaks, so a heading line
    // without a label takes the next line as its label.
    static const QRegularExpression timestampHeading(QStringLiteral("^\\[[0-9:]+\\]\\s+(.+)$"),
                                                     QRegularExpression::MultilineOption |
                                                         QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression sectionHeading(QStringLiteral("^##\\s+(.+)$"),
                                                   QRegularExpression::MultilineOption |
                                                       QRegularExpression::UseUnicodePropertiesOption);
    QStringList labels;
    appendLabels(timestampHeading, body, labels);
    appendLabels(sectionHeading, body, labels);
    return labels;
}

std::vector<SpeakerNameEntry> entries(const TranscriptDocument& document) {
    QSet<QString> displayNames;
    for (const auto& [label, name] : document.speakerNames)
        displayNames.insert(name);
    std::set<QString> canonical; // a fixed order for the names natural order ties
    for (const QString& label : detected(document.body)) {
        if (!displayNames.contains(label))
            canonical.insert(label);
    }
    for (const auto& [label, name] : document.speakerNames)
        canonical.insert(label);
    std::vector<SpeakerNameEntry> result;
    for (const QString& label : canonical) {
        const auto renamed = document.speakerNames.find(label);
        result.push_back({label, renamed != document.speakerNames.end() ? renamed->second : label});
    }
    NaturalOrder::stableSort(result, [](const SpeakerNameEntry& entry) { return entry.canonicalName; });
    return result;
}

QString replacing(const QString& oldLabel, const QString& newLabel, const QString& body) {
    const QString old = QRegularExpression::escape(oldLabel);
    const auto options = QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption;
    const QRegularExpression timestampHeading(
        QStringLiteral("^(\\[[0-9:]+\\]\\s+)") + old + QStringLiteral("\\b"), options);
    const QRegularExpression sectionHeading(QStringLiteral("^(##\\s+)") + old + QStringLiteral("(\\s*)$"),
                                            options);
    return replaced(sectionHeading, newLabel, replaced(timestampHeading, newLabel, body));
}

} // namespace SpeakerLabels
