#include "models/TranscriptText.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace TranscriptText {
namespace {

bool isNewline(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

} // namespace

std::vector<QStringView> lines(QStringView text) {
    std::vector<QStringView> result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isNewline(text[i])) {
            result.push_back(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    result.push_back(text.sliced(start));
    return result;
}

qsizetype newlineCount(QStringView text) {
    return std::count_if(text.begin(), text.end(), isNewline);
}

QStringView lineAt(QStringView text, qsizetype number) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isNewline(text[i]))
            continue;
        if (number == 0)
            return text.sliced(start, i - start);
        --number;
        start = i + 1;
    }
    return number == 0 ? text.sliced(start) : QStringView();
}

QString searchForm(QStringView text) {
    return searchForm(text.toString());
}

QString searchForm(QString&& text) {
    return std::move(text).toLower().normalized(QString::NormalizationForm_C);
}

QString leadingCharacters(const QString& text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int taken = 0; taken < count; ++taken) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

} // namespace TranscriptText
