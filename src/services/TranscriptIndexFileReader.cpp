#include "services/TranscriptIndexFileReader.h"

#include "models/JsonFormat.h"

#include <QDate>
#include <QTime>
#include <QUrl>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <future>
#include <thread>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Thrown when the reader cannot vouch for the input; never leaves this file.
struct Unsupported {};

constexpr int depthLimit = 512;

constexpr std::uint64_t repeated(unsigned char byte) {
    return 0x0101010101010101ULL * byte;
}

// Whether any of the eight bytes is '"', '\\', a control character or not ASCII.
inline bool needsAttention(std::uint64_t word) {
    const std::uint64_t high = repeated(0x80);
    const std::uint64_t quote = word ^ repeated('"');
    const std::uint64_t backslash = word ^ repeated('\\');
    const std::uint64_t special = ((quote - repeated(1)) & ~quote) |
                                  ((backslash - repeated(1)) & ~backslash) |
                                  ((word - repeated(0x20)) & ~word) | word;
    return (special & high) != 0;
}

// The first '"', '\\', control character or non-ASCII byte from p on, or a point shortly before
// it, or end.
const char* skipPlainText(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i space = _mm_set1_epi8(0x20);
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed comparison: non-ASCII bytes count as below the space.
        const __m128i special =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
                         _mm_cmplt_epi8(bytes, space));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(special));
        if (mask != 0)
            return p + std::countr_zero(mask);
        p += 16;
    }
#endif
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (needsAttention(word))
            break;
        p += 8;
    }
    return p;
}

// Widens the ASCII bytes before the first backslash or non-ASCII byte; returns how many it
// copied.
qsizetype widenPlainAscii(const unsigned char* p, const unsigned char* end, char16_t* out) {
    qsizetype copied = 0;
#ifdef __SSE2__
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, backslash))));
        if (mask != 0) {
            const int plain = std::countr_zero(mask);
            for (int i = 0; i < plain; ++i)
                out[i] = p[i];
            return copied + plain;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
        p += 16;
        out += 16;
        copied += 16;
    }
#endif
    while (p < end && *p < 0x80 && *p != '\\') {
        *out++ = *p++;
        ++copied;
    }
    return copied;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF): the length of the
// sequence at p, or 0 when it is invalid.
int utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char lead = p[0];
    auto continuation = [&](int i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2))
            return 0;
        if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] >= 0xA0))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

// A string's content between its quotes, validated.
struct StringToken {
    const char* begin;
    const char* end;
    bool escaped;

    bool is(const char* name) const {
        const auto length = static_cast<size_t>(end - begin);
        return !escaped && std::strlen(name) == length && std::memcmp(begin, name, length) == 0;
    }
};

// The entries of a stretch of the file's members. endsAtStop tells that the stretch ended
// exactly where it was asked to, and the rest of the file is another stretch's; otherwise the
// stretch ran on to the end of the file.
struct Piece {
    TranscriptIndexFileReader::Entries entries;
    bool endsAtStop = false;
};

class Parser {
public:
    explicit Parser(QByteArrayView json, qsizetype start = 0)
        : m_p(json.data() + start)
        , m_end(json.data() + json.size()) {}

    // The whole object, or, with `stop`, the members up to the one that ends exactly at `stop`.
    Piece entries(const char* stop = nullptr) {
        skipWhitespace();
        expect('{');
        if (consume('}')) {
            end();
            return {};
        }
        return members(stop);
    }

    // The members after the ',' at the parser's start, as for entries().
    Piece entriesAfterComma(const char* stop) {
        expect(',');
        return members(stop);
    }

    TranscriptDocument wholeDocument() {
        TranscriptDocument result = document();
        end();
        return result;
    }

private:
    const char* m_p;
    const char* m_end;

    Piece members(const char* stop) {
        Piece piece;
        do {
            QString path = text(string());
            expect(':');
            if (!piece.entries.try_emplace(std::move(path), entry()).second)
                throw Unsupported();
            if (m_p == stop) {
                piece.endsAtStop = true;
                return piece;
            }
        } while (consume(','));
        expect('}');
        end();
        return piece;
    }

    void end() {
        skipWhitespace();
        if (m_p != m_end)
            throw Unsupported();
    }

    void skipWhitespace() {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }

    bool consume(char c) {
        skipWhitespace();
        if (m_p < m_end && *m_p == c) {
            ++m_p;
            return true;
        }
        return false;
    }

    void expect(char c) {
        if (!consume(c))
            throw Unsupported();
    }

    // Members of an object, the key of each passed to member(), which must consume the value.
    // With fixedKeys, an escaped key is left to the exact decoder, which unescapes it before
    // comparing.
    template <typename Member> void object(Member&& member, bool fixedKeys = false) {
        expect('{');
        if (consume('}'))
            return;
        do {
            const StringToken key = string();
            if (fixedKeys && key.escaped)
                throw Unsupported();
            expect(':');
            member(key);
        } while (consume(','));
        expect('}');
    }

    StringToken string() {
        expect('"');
        const char* begin = m_p;
        bool escaped = false;
        for (;;) {
            m_p = skipPlainText(m_p, m_end);
            if (m_p >= m_end)
                throw Unsupported();
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '"')
                break;
            if (c == '\\') {
                escaped = true;
                skipEscape();
            } else if (c < 0x20) {
                throw Unsupported();
            } else if (c < 0x80) {
                ++m_p;
            } else {
                const int length = utf8SequenceLength(reinterpret_cast<const unsigned char*>(m_p),
                                                      reinterpret_cast<const unsigned char*>(m_end));
                // QJsonDocument drops some byte order marks inside strings.
                if (length == 0 || (length == 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0))
                    throw Unsupported();
                m_p += length;
            }
        }
        return {begin, m_p++, escaped};
    }

    void skipEscape() {
        if (m_end - m_p < 2)
            throw Unsupported();
        switch (m_p[1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            m_p += 2;
            return;
        case 'u':
            if (m_end - m_p < 6)
                throw Unsupported();
            for (int i = 2; i < 6; ++i) {
                if (hexValue(m_p[i]) < 0)
                    throw Unsupported();
            }
            m_p += 6;
            return;
        default:
            throw Unsupported();
        }
    }

    static QString text(const StringToken& token) {
        if (!token.escaped)
            return QString::fromUtf8(token.begin, token.end - token.begin);
        QString result(token.end - token.begin, Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(result.data());
        const auto* p = reinterpret_cast<const unsigned char*>(token.begin);
        const auto* end = reinterpret_cast<const unsigned char*>(token.end);
        while (p < end) {
            const qsizetype plain = widenPlainAscii(p, end, out);
            p += plain;
            out += plain;
            if (p == end)
                break;
            const unsigned char c = *p;
            if (c == '\\') {
                *out++ = unescaped(p);
            } else if (c < 0xE0) {
                *out++ = static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F));
                p += 2;
            } else if (c < 0xF0) {
                *out++ = static_cast<char16_t>(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
                p += 3;
            } else {
                const char32_t code =
                    ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
                *out++ = QChar::highSurrogate(code);
                *out++ = QChar::lowSurrogate(code);
                p += 4;
            }
        }
        result.truncate(out - reinterpret_cast<const char16_t*>(result.constData()));
        return result;
    }

    // The string as QString::toUtf8() would give it back, without the detour through UTF-16
    // where the only escapes are the short ones: validated UTF-8 stays as it is.
    static QByteArray utf8Text(const StringToken& token) {
        const auto length = static_cast<size_t>(token.end - token.begin);
        if (!token.escaped)
            return QByteArray(token.begin, static_cast<qsizetype>(length));
        QByteArray result(static_cast<qsizetype>(length), Qt::Uninitialized);
        char* out = result.data();
        const char* p = token.begin;
        while (const auto* backslash = static_cast<const char*>(std::memchr(p, '\\', token.end - p))) {
            std::memcpy(out, p, static_cast<size_t>(backslash - p));
            out += backslash - p;
            if (backslash[1] == 'u')
                return text(token).toUtf8();
            const auto* escape = reinterpret_cast<const unsigned char*>(backslash);
            *out++ = static_cast<char>(unescaped(escape));
            p = reinterpret_cast<const char*>(escape);
        }
        std::memcpy(out, p, static_cast<size_t>(token.end - p));
        out += token.end - p;
        result.truncate(out - result.constData());
        return result;
    }

    // The escape at p, already validated; a \u escape of a lone surrogate stays one, as in
    // QJsonDocument.
    static char16_t unescaped(const unsigned char*& p) {
        const unsigned char kind = p[1];
        p += 2;
        switch (kind) {
        case 'b':
            return u'\b';
        case 'f':
            return u'\f';
        case 'n':
            return u'\n';
        case 'r':
            return u'\r';
        case 't':
            return u'\t';
        case 'u': {
            char16_t code = 0;
            for (int i = 0; i < 4; ++i)
                code = static_cast<char16_t>(code << 4 | hexValue(static_cast<char>(p[i])));
            p += 4;
            return code;
        }
        default:
            return kind;
        }
    }

    QString stringValue() { return text(string()); }

    bool null() {
        skipWhitespace();
        if (m_end - m_p >= 4 && std::memcmp(m_p, "null", 4) == 0) {
            m_p += 4;
            return true;
        }
        return false;
    }

    // A standard JSON number, converted as QJsonDocument converts it.
    std::optional<double> number() {
        skipWhitespace();
        const char* begin = m_p;
        bool integral = true;
        if (m_p < m_end && *m_p == '-')
            ++m_p;
        if (m_p < m_end && *m_p == '0') {
            ++m_p;
        } else if (m_p < m_end && *m_p >= '1' && *m_p <= '9') {
            skipDigits();
        } else {
            m_p = begin;
            return std::nullopt;
        }
        if (m_p < m_end && *m_p == '.') {
            integral = false;
            ++m_p;
            if (skipDigits() == 0)
                throw Unsupported();
        }
        if (m_p < m_end && (*m_p == 'e' || *m_p == 'E')) {
            integral = false;
            ++m_p;
            if (m_p < m_end && (*m_p == '+' || *m_p == '-'))
                ++m_p;
            if (skipDigits() == 0)
                throw Unsupported();
        }
        const QByteArray digits = QByteArray::fromRawData(begin, m_p - begin);
        bool ok = false;
        if (integral) {
            const qlonglong value = digits.toLongLong(&ok);
            if (ok)
                return static_cast<double>(value);
        }
        const double value = digits.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            throw Unsupported();
        return value;
    }

    int skipDigits() {
        int count = 0;
        while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
            ++m_p;
            ++count;
        }
        return count;
    }

    void skipValue(int depth = 1) {
        if (depth > depthLimit)
            throw Unsupported();
        skipWhitespace();
        if (m_p >= m_end)
            throw Unsupported();
        switch (*m_p) {
        case '"':
            string();
            return;
        case '{':
            object([&](const StringToken&) { skipValue(depth + 1); });
            return;
        case '[':
            ++m_p;
            if (consume(']'))
                return;
            do
                skipValue(depth + 1);
            while (consume(','));
            expect(']');
            return;
        default:
            break;
        }
        for (const char* literal : {"true", "false", "null"}) {
            const auto length = static_cast<qsizetype>(std::strlen(literal));
            if (m_end - m_p >= length && std::memcmp(m_p, literal, length) == 0) {
                m_p += length;
                return;
            }
        }
        if (!number())
            throw Unsupported();
    }

    // Each known key once; a repeated one is left to the exact decoder, which keeps the last.
    static void see(unsigned& seen, unsigned bit) {
        if (seen & bit)
            throw Unsupported();
        seen |= bit;
    }

    QDateTime date() {
        const StringToken token = string();
        const char* s = token.begin;
        auto digits = [&](int at, int count) {
            int value = 0;
            for (int i = at; i < at + count; ++i)
                value = value * 10 + (s[i] - '0');
            return value;
        };
        auto allDigits = [&] {
            for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
                if (s[i] < '0' || s[i] > '9')
                    return false;
            }
            return true;
        };
        if (!token.escaped && token.end - s == 20 && s[4] == '-' && s[7] == '-' && s[10] == 'T' &&
            s[13] == ':' && s[16] == ':' && s[19] == 'Z' && allDigits()) {
            const QDate day(digits(0, 4), digits(5, 2), digits(8, 2));
            const QTime time(digits(11, 2), digits(14, 2), digits(17, 2));
            if (day.isValid() && time.isValid())
                return QDateTime(day, time, Qt::UTC);
        }
        return JsonFormat::parseDate(text(token), QString());
    }

    IndexedTranscript entry() {
        IndexedTranscript result;
        unsigned seen = 0;
        StringToken searchText{};
        object(
            [&](const StringToken& key) {
                if (key.is("sourceURL")) {
                    see(seen, 1);
                    const QUrl url(stringValue(), QUrl::StrictMode);
                    if (!url.isValid() || !url.isLocalFile())
                        throw Unsupported();
                    result.sourceURL = url.toLocalFile();
                } else if (key.is("sourceModifiedAt")) {
                    see(seen, 2);
                    result.sourceModifiedAt = date();
                } else if (key.is("transcript")) {
                    see(seen, 4);
                    result.transcript = document();
                } else if (key.is("normalizedSearchText")) {
                    see(seen, 8);
                    searchText = string();
                } else {
                    skipValue(2);
                }
            },
            true);
        if (seen != 15)
            throw Unsupported();
        result.normalizedSearchTextUtf8 = utf8Text(searchText);
        return result;
    }

    TranscriptDocument document() {
        TranscriptDocument result;
        result.schemaVersion = 0;
        unsigned seen = 0;
        object(
            [&](const StringToken& key) {
                if (key.is("schemaVersion")) {
                    see(seen, 1);
                    const auto value = number();
                    if (!value || std::floor(*value) != *value || std::abs(*value) > 9.007199254740992e15)
                        throw Unsupported();
                    result.schemaVersion = static_cast<qint64>(*value);
                } else if (key.is("recordingFolderPath")) {
                    see(seen, 2);
                    result.recordingFolderPath = stringValue();
                } else if (key.is("title")) {
                    see(seen, 4);
                    result.title = stringValue();
                } else if (key.is("createdAt")) {
                    see(seen, 8);
                    result.createdAt = date();
                } else if (key.is("updatedAt")) {
                    see(seen, 16);
                    result.updatedAt = date();
                } else if (key.is("body")) {
                    see(seen, 32);
                    result.body = stringValue();
                } else if (key.is("audioDurationSeconds")) {
                    see(seen, 64);
                    if (!null()) {
                        result.audioDurationSeconds = number();
                        if (!result.audioDurationSeconds)
                            throw Unsupported();
                    }
                } else if (key.is("speakerNames")) {
                    see(seen, 128);
                    object([&](const StringToken& label) {
                        if (!result.speakerNames.try_emplace(text(label), stringValue()).second)
                            throw Unsupported();
                    });
                } else if (key.is("transcriptionMetadata")) {
                    see(seen, 256);
                    if (!null())
                        result.transcriptionMetadata = metadata();
                } else {
                    skipValue(3);
                }
            },
            true);
        if ((seen & 62) != 62)
            throw Unsupported();
        return result;
    }

    TranscriptMetadata metadata() {
        TranscriptMetadata result;
        unsigned seen = 0;
        object(
            [&](const StringToken& key) {
                if (key.is("requestedLanguage")) {
                    see(seen, 1);
                    const auto language = TranscriptionLanguages::fromRawValue(stringValue());
                    if (!language)
                        throw Unsupported();
                    result.requestedLanguage = *language;
                } else if (key.is("detectedLanguage")) {
                    see(seen, 2);
                    if (!null())
                        result.detectedLanguage = stringValue();
                } else if (key.is("transcriptionTask")) {
                    see(seen, 4);
                    result.transcriptionTask = stringValue();
                } else if (key.is("model")) {
                    see(seen, 8);
                    const auto model = WhisperModels::fromRawValue(stringValue());
                    if (!model)
                        throw Unsupported();
                    result.model = *model;
                } else {
                    skipValue(4);
                }
            },
            true);
        if ((seen & 13) != 13)
            throw Unsupported();
        return result;
    }
};

} // namespace

std::optional<TranscriptDocument> TranscriptIndexFileReader::readTranscript(QByteArrayView json) {
    try {
        return Parser(json).wholeDocument();
    } catch (const Unsupported&) {
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

namespace {

// Starting points for reading the file in stretches side by side: the ',' before a member of
// the outer object, guessed from the "}}," that closes an entry's transcript and the entry.
// A guess inside a string or deeper object is caught when the stretch before it does not end
// exactly there.
std::vector<qsizetype> stretchStarts(QByteArrayView json, int stretches) {
    constexpr qsizetype smallestStretch = 4 << 20;
    const auto threads = static_cast<qsizetype>(std::max(1u, std::thread::hardware_concurrency()));
    const qsizetype count =
        stretches > 0 ? stretches : std::min({threads, json.size() / smallestStretch, qsizetype(16)});
    std::vector<qsizetype> starts;
    for (qsizetype i = 1; i < count; ++i) {
        const qsizetype from = std::max(json.size() * i / count, starts.empty() ? 0 : starts.back() + 1);
        const qsizetype found = json.indexOf("}},\"", from);
        if (found < 0)
            break;
        starts.push_back(found + 2);
    }
    return starts;
}

TranscriptIndexFileReader::Entries readInStretches(QByteArrayView json, int stretches) {
    const std::vector<qsizetype> starts = stretchStarts(json, stretches);
    auto stopAfter = [&](size_t index) {
        return index < starts.size() ? json.data() + starts[index] : nullptr;
    };
    std::vector<std::future<Piece>> later;
    for (size_t i = 0; i < starts.size(); ++i) {
        later.push_back(std::async(std::launch::async, [&json, &starts, stopAfter, i] {
            return Parser(json, starts[i]).entriesAfterComma(stopAfter(i + 1));
        }));
    }
    // Every stretch is read to the end of the file if its stop turns out to be no member
    // boundary; a stretch that did not begin at one is then never looked at.
    Piece piece = Parser(json).entries(stopAfter(0));
    TranscriptIndexFileReader::Entries result = std::move(piece.entries);
    for (size_t i = 0; piece.endsAtStop; ++i) {
        piece = later[i].get();
        const size_t expected = result.size() + piece.entries.size();
        result.merge(piece.entries);
        if (result.size() != expected)
            throw Unsupported();
    }
    return result;
}

} // namespace

std::optional<TranscriptIndexFileReader::Entries> TranscriptIndexFileReader::read(QByteArrayView json,
                                                                                  int stretches) {
    try {
        return readInStretches(json, stretches);
    } catch (const Unsupported&) {
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
