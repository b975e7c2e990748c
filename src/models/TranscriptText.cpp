#include "models/TranscriptText.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <bit>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace TranscriptText {
namespace {

bool isNewline(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// The offset of the first newline character from `from` on, or text.size().
qsizetype nextNewline(QStringView text, qsizetype from) {
    const char16_t* const data = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = from;
#ifdef __SSE2__
    // The comparisons pick out exactly the newline units, so a block without any is passed over
    // whole, whatever other characters it holds.
    const __m128i belowLineFeed = _mm_set1_epi16(0x09);
    const __m128i aboveReturn = _mm_set1_epi16(0x0E);
    const __m128i nextLine = _mm_set1_epi16(0x85);
    const __m128i lineSeparator = _mm_set1_epi16(0x2028);
    const __m128i paragraphSeparator = _mm_set1_epi16(0x2029);
    for (; size - i >= 8; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i breaks = _mm_or_si128(
            _mm_and_si128(_mm_cmpgt_epi16(units, belowLineFeed), _mm_cmplt_epi16(units, aboveReturn)),
            _mm_or_si128(_mm_cmpeq_epi16(units, nextLine),
                         _mm_or_si128(_mm_cmpeq_epi16(units, lineSeparator),
                                      _mm_cmpeq_epi16(units, paragraphSeparator))));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(breaks)); mask != 0)
            return i + std::countr_zero(mask) / 2;
    }
#endif
    for (; i < size; ++i) {
        if (isNewline(QChar(data[i])))
            return i;
    }
    return size;
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
    qsizetype count = 0;
    for (qsizetype at = nextNewline(text, 0); at < text.size(); at = nextNewline(text, at + 1))
        ++count;
    return count;
}

// In UTF-8, LF to CR are single bytes and NEL, LS and PS are C2 85, E2 80 A8 and E2 80 A9; no
// other character's bytes look like these.
qsizetype newlineCountUtf8(QByteArrayView utf8Text) {
    const auto* const data = reinterpret_cast<const unsigned char*>(utf8Text.data());
    const qsizetype size = utf8Text.size();
    qsizetype count = 0;
    qsizetype i = 0;
    auto countAt = [&](qsizetype at) {
        const unsigned char c = data[at];
        if (c >= 0x0A && c <= 0x0D)
            ++count;
        else if (c == 0x85 && at >= 1 && data[at - 1] == 0xC2)
            ++count;
        else if ((c == 0xA8 || c == 0xA9) && at >= 2 && data[at - 1] == 0x80 && data[at - 2] == 0xE2)
            ++count;
    };
#ifdef __SSE2__
    // Line breaks are sparse: each block yields the few bytes that can end a newline character,
    // and only those are looked at.
    const __m128i belowLineFeed = _mm_set1_epi8(0x09);
    const __m128i aboveReturn = _mm_set1_epi8(0x0E);
    const __m128i nextLineEnd = _mm_set1_epi8(static_cast<char>(0x85));
    const __m128i separatorEnd = _mm_set1_epi8(static_cast<char>(0xA8));
    const __m128i lastBitOff = _mm_set1_epi8(static_cast<char>(0xFE));
    for (; size - i >= 16; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i candidates = _mm_or_si128(
            _mm_and_si128(_mm_cmpgt_epi8(bytes, belowLineFeed), _mm_cmplt_epi8(bytes, aboveReturn)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, nextLineEnd),
                         _mm_cmpeq_epi8(_mm_and_si128(bytes, lastBitOff), separatorEnd)));
        for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(candidates)); mask != 0; mask &= mask - 1)
            countAt(i + std::countr_zero(mask));
    }
#endif
    for (; i < size; ++i)
        countAt(i);
    return count;
}

QStringView lineAt(QStringView text, qsizetype number) {
    qsizetype start = 0;
    for (; number > 0; --number) {
        const qsizetype end = nextNewline(text, start);
        if (end == text.size())
            return QStringView();
        start = end + 1;
    }
    return text.sliced(start, nextNewline(text, start) - start);
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
