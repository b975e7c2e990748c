#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <vector>

// Line and search helpers shared by the renderings, the search and the block parser.
namespace TranscriptText {

// The text split at every newline character (LF, VT, FF, CR, NEL, LS, PS), each on its own, so
// "\r\n" yields an empty line between the two. Always at least one (possibly empty) line.
std::vector<QStringView> lines(QStringView text);

// How many newline characters (as lines() counts them) text holds.
qsizetype newlineCount(QStringView text);

// How many newline characters the UTF-8 form of a text holds (the same count as newlineCount()).
qsizetype newlineCountUtf8(QByteArrayView utf8Text);

// Line `number` (from 0) as lines() would give it, or an empty view past the end.
QStringView lineAt(QStringView text, qsizetype number);

// Unicode default lower-casing followed by canonical composition (NFC), so that canonically
// equivalent texts compare equal with a plain substring test.
QString searchForm(QStringView text);
// The same, reusing the text's storage where it can.
QString searchForm(QString&& text);

// The first `count` user-perceived characters (grapheme clusters) of text.
QString leadingCharacters(const QString& text, int count);

} // namespace TranscriptText
