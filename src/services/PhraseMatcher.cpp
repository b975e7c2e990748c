#include "services/PhraseMatcher.h"

#include <utility>

namespace {

// Below this length the library search is as fast and needs no table.
constexpr qsizetype shortPhrase = 4;

unsigned slot(char16_t unit) {
    return unit & 0xFF;
}

} // namespace

PhraseMatcher::PhraseMatcher(QString phrase)
    : m_phrase(std::move(phrase)) {
    const qsizetype length = m_phrase.size();
    m_shift.fill(length);
    for (qsizetype i = 0; i + 1 < length; ++i)
        m_shift[slot(m_phrase.at(i).unicode())] = length - 1 - i;
}

bool PhraseMatcher::isContainedIn(QStringView text) const {
    return indexIn(text) >= 0;
}

qsizetype PhraseMatcher::indexIn(QStringView text, qsizetype from) const {
    const qsizetype length = m_phrase.size();
    if (length < shortPhrase)
        return text.indexOf(m_phrase, from);
    const auto* haystack = reinterpret_cast<const char16_t*>(text.utf16());
    const auto* needle = reinterpret_cast<const char16_t*>(m_phrase.utf16());
    const char16_t last = needle[length - 1];
    for (qsizetype at = from; at + length <= text.size();) {
        const char16_t unit = haystack[at + length - 1];
        if (unit == last && std::char_traits<char16_t>::compare(haystack + at, needle, length - 1) == 0)
            return at;
        at += m_shift[slot(unit)];
    }
    return -1;
}
