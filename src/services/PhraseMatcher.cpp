#include "services/PhraseMatcher.h"

#include <algorithm>
#include <bit>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Lower ranks are more common in transcript text: the space and letters in English order of
// frequency, with the lead bytes of other scripts' characters among the common letters (one
// lead byte serves a whole alphabet), then continuation bytes, then digits and punctuation.
int commonness(unsigned char byte) {
    static constexpr char byFrequency[] = " etaoinshrdlcumwfgypbvkjxqz";
    if (const char* found = std::strchr(byFrequency, byte); found && byte != 0)
        return static_cast<int>(found - byFrequency);
    if (byte >= 0xC0)
        return 8;
    return byte >= 0x80 ? 30 : 40;
}

} // namespace

PhraseMatcher::PhraseMatcher(const QString& phrase)
    : m_phrase(phrase.toUtf8()) {
    auto rarer = [&](qsizetype a, qsizetype b) {
        return commonness(static_cast<unsigned char>(m_phrase[a])) >
               commonness(static_cast<unsigned char>(m_phrase[b]));
    };
    for (qsizetype i = 1; i < m_phrase.size(); ++i) {
        if (rarer(i, m_rarest)) {
            m_secondRarest = m_rarest;
            m_rarest = i;
        } else if (m_secondRarest == m_rarest || rarer(i, m_secondRarest)) {
            m_secondRarest = i;
        }
    }
}

qsizetype PhraseMatcher::indexIn(QByteArrayView utf8Text, qsizetype from) const {
    const qsizetype size = utf8Text.size();
    const qsizetype length = m_phrase.size();
    if (from < 0 || from > size)
        return -1;
    const char* const data = utf8Text.data();
    qsizetype i = from;
#ifdef __SSE2__
    if (length >= 2) {
        const __m128i rarest = _mm_set1_epi8(m_phrase[m_rarest]);
        const __m128i secondRarest = _mm_set1_epi8(m_phrase[m_secondRarest]);
        const qsizetype reach = std::max(m_rarest, m_secondRarest) + 16;
        for (; size - i >= std::max(reach, length + 15); i += 16) {
            const __m128i atRarest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + m_rarest));
            const __m128i atSecond =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + m_secondRarest));
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(atRarest, rarest), _mm_cmpeq_epi8(atSecond, secondRarest))));
            for (; mask != 0; mask &= mask - 1) {
                const qsizetype start = i + std::countr_zero(mask);
                if (std::memcmp(data + start, m_phrase.constData(), static_cast<size_t>(length)) == 0)
                    return start;
            }
        }
    }
#endif
    // The rest, and every text on other processors: the C library's search.
    const void* found =
        ::memmem(data + i, static_cast<size_t>(size - i), m_phrase.constData(), static_cast<size_t>(length));
    return found ? static_cast<const char*>(found) - data : -1;
}
