#include "services/TranscriptIndexFileWriter.h"

#include "models/JsonFormat.h"

#include <QLocale>
#include <QUrl>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Narrows the leading UTF-16 units that are printable ASCII other than '"' and '\\' (written as
// they are), eight at a time; returns how many it wrote.
qsizetype narrowPlainAscii(const char16_t* p, const char16_t* end, char* out) {
    qsizetype written = 0;
#ifdef __SSE2__
    const __m128i belowSpace = _mm_set1_epi16(0x1F);
    const __m128i nonAscii = _mm_set1_epi16(0x80);
    const __m128i quote = _mm_set1_epi16('"');
    const __m128i backslash = _mm_set1_epi16('\\');
    while (end - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed comparison: units from 0x8000 on count as below the space.
        const __m128i plain = _mm_andnot_si128(
            _mm_or_si128(_mm_cmpeq_epi16(units, quote), _mm_cmpeq_epi16(units, backslash)),
            _mm_and_si128(_mm_cmpgt_epi16(units, belowSpace), _mm_cmplt_epi16(units, nonAscii)));
        if (_mm_movemask_epi8(plain) != 0xFFFF)
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
        p += 8;
        out += 8;
        written += 8;
    }
#endif
    return written;
}

// The length of the leading bytes that a JSON string holds as they are: all but '"', '\\' and
// control characters.
qsizetype plainUtf8Length(const char* begin, const char* end) {
    const char* p = begin;
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i space = _mm_set1_epi8(0x20);
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i atLeastSpace = _mm_cmpeq_epi8(_mm_max_epu8(bytes, space), bytes);
        const __m128i special =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
                         _mm_xor_si128(atLeastSpace, _mm_set1_epi8(-1)));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(special)); mask != 0)
            return p - begin + std::countr_zero(mask);
        p += 16;
    }
#endif
    while (p < end && static_cast<unsigned char>(*p) >= 0x20 && *p != '"' && *p != '\\')
        ++p;
    return p - begin;
}

class Writer {
public:
    explicit Writer(qsizetype expectedSize) { m_out.reserve(expectedSize); }

    QByteArray take() { return std::move(m_out); }
    const char* data() const { return m_out.constData(); }
    qsizetype size() const { return m_out.size(); }
    // Keeps the buffer's memory for the next piece.
    void clear() { m_out.resize(0); }

    void raw(const char* text) { m_out.append(text); }
    void raw(char c) { m_out.append(c); }

    // Escapes as QJsonDocument does: short forms for the common control characters, \u00xx for
    // the others, a lone surrogate as \uxxxx, everything else as UTF-8.
    void string(QStringView text) {
        const qsizetype start = m_out.size();
        m_out.resize(start + 2 + 6 * text.size());
        char* out = m_out.data() + start;
        *out++ = '"';
        const char16_t* p = text.utf16();
        const char16_t* const end = p + text.size();
        while (p < end) {
            const qsizetype plain = narrowPlainAscii(p, end, out);
            p += plain;
            out += plain;
            if (p == end)
                break;
            const char16_t u = *p++;
            if (u < 0x80) {
                if (u >= 0x20 && u != '"' && u != '\\') {
                    *out++ = static_cast<char>(u);
                    continue;
                }
                out = escapedAscii(out, u);
            } else if (u < 0x800) {
                *out++ = static_cast<char>(0xC0 | (u >> 6));
                *out++ = static_cast<char>(0x80 | (u & 0x3F));
            } else if (!QChar::isSurrogate(u)) {
                *out++ = static_cast<char>(0xE0 | (u >> 12));
                *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                *out++ = static_cast<char>(0x80 | (u & 0x3F));
            } else if (QChar::isHighSurrogate(u) && p < end && QChar::isLowSurrogate(*p)) {
                const char32_t code = QChar::surrogateToUcs4(u, *p++);
                *out++ = static_cast<char>(0xF0 | (code >> 18));
                *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                *out++ = static_cast<char>(0x80 | (code & 0x3F));
            } else {
                *out++ = '\\';
                out = escapedCode(out, u);
            }
        }
        *out++ = '"';
        m_out.truncate(out - m_out.constData());
    }

    // The same escapes for text that is already valid UTF-8.
    void utf8String(QByteArrayView text) {
        const qsizetype start = m_out.size();
        m_out.resize(start + 2 + 6 * text.size());
        char* out = m_out.data() + start;
        *out++ = '"';
        const char* p = text.data();
        const char* const end = p + text.size();
        while (p < end) {
            const qsizetype plain = plainUtf8Length(p, end);
            std::memcpy(out, p, static_cast<size_t>(plain));
            p += plain;
            out += plain;
            if (p < end)
                out = escapedAscii(out, static_cast<unsigned char>(*p++));
        }
        *out++ = '"';
        m_out.truncate(out - m_out.constData());
    }

    void key(const char* name) {
        m_out.append('"');
        m_out.append(name);
        m_out.append("\":");
    }

    void integer(qint64 value) { m_out.append(QByteArray::number(value)); }

    // QJsonValue keeps a whole double as an integer only where that adds no precision (2^53).
    void number(double value) {
        if (!std::isfinite(value))
            m_out.append("null");
        else if (std::floor(value) == value && std::abs(value) <= 9007199254740992.0)
            integer(static_cast<qint64>(value));
        else
            m_out.append(QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
    }

    void date(const QDateTime& value) {
        const QDateTime utc = value.toUTC();
        const QDate day = utc.date();
        const QTime time = utc.time();
        if (!value.isValid() || day.year() < 1 || day.year() > 9999) {
            string(JsonFormat::dateString(value));
            return;
        }
        char text[24];
        const int length = std::snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:%02d:%02dZ\"", day.year(),
                                         day.month(), day.day(), time.hour(), time.minute(), time.second());
        m_out.append(text, length);
    }

private:
    QByteArray m_out;

    // The escape of '"', '\\' or a control character.
    static char* escapedAscii(char* out, char16_t u) {
        *out++ = '\\';
        switch (u) {
        case '"':
            *out++ = '"';
            return out;
        case '\\':
            *out++ = '\\';
            return out;
        case '\b':
            *out++ = 'b';
            return out;
        case '\f':
            *out++ = 'f';
            return out;
        case '\n':
            *out++ = 'n';
            return out;
        case '\r':
            *out++ = 'r';
            return out;
        case '\t':
            *out++ = 't';
            return out;
        default:
            return escapedCode(out, u);
        }
    }

    static char* escapedCode(char* out, char16_t u) {
        static constexpr char digits[] = "0123456789abcdef";
        *out++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4)
            *out++ = digits[(u >> shift) & 0xF];
        return out;
    }
};

void writeMetadata(Writer& out, const TranscriptMetadata& metadata) {
    out.raw('{');
    if (metadata.detectedLanguage) {
        out.key("detectedLanguage");
        out.string(*metadata.detectedLanguage);
        out.raw(',');
    }
    out.key("model");
    out.string(WhisperModels::rawValue(metadata.model));
    out.raw(',');
    out.key("requestedLanguage");
    out.string(TranscriptionLanguages::rawValue(metadata.requestedLanguage));
    out.raw(',');
    out.key("transcriptionTask");
    out.string(metadata.transcriptionTask);
    out.raw('}');
}

void writeDocument(Writer& out, const TranscriptDocument& document) {
    out.raw('{');
    if (document.audioDurationSeconds) {
        out.key("audioDurationSeconds");
        out.number(*document.audioDurationSeconds);
        out.raw(',');
    }
    out.key("body");
    out.string(document.body);
    out.raw(',');
    out.key("createdAt");
    out.date(document.createdAt);
    out.raw(',');
    out.key("recordingFolderPath");
    out.string(document.recordingFolderPath);
    out.raw(',');
    out.key("schemaVersion");
    out.integer(document.schemaVersion);
    out.raw(',');
    out.key("speakerNames");
    out.raw('{');
    bool first = true;
    for (const auto& [label, name] : document.speakerNames) {
        if (!first)
            out.raw(',');
        first = false;
        out.string(label);
        out.raw(':');
        out.string(name);
    }
    out.raw("},");
    out.key("title");
    out.string(document.title);
    out.raw(',');
    if (document.transcriptionMetadata) {
        out.key("transcriptionMetadata");
        writeMetadata(out, *document.transcriptionMetadata);
        out.raw(',');
    }
    out.key("updatedAt");
    out.date(document.updatedAt);
    out.raw('}');
}

} // namespace

namespace {

// Writes the entries in order; after each one, flush decides whether to pass on what was written.
template <typename Flush>
bool writeEntries(Writer& out, const TranscriptIndexFileWriter::Entries& entries, Flush&& flush) {
    out.raw('{');
    bool first = true;
    for (const auto& [path, entry] : entries) {
        if (!first)
            out.raw(',');
        first = false;
        out.string(path);
        out.raw(":{");
        out.key("normalizedSearchText");
        out.utf8String(entry.normalizedSearchTextUtf8);
        out.raw(',');
        out.key("sourceModifiedAt");
        out.date(entry.sourceModifiedAt);
        out.raw(',');
        out.key("sourceURL");
        out.string(QUrl::fromLocalFile(entry.sourceURL).toString(QUrl::FullyEncoded));
        out.raw(',');
        out.key("transcript");
        writeDocument(out, entry.transcript);
        out.raw('}');
        if (!flush(false))
            return false;
    }
    out.raw('}');
    return flush(true);
}

} // namespace

QByteArray TranscriptIndexFileWriter::write(const Entries& entries) {
    // Room for the usual size plus the worst case of the longest string, so that the buffer
    // grows at most rarely.
    qsizetype expected = 2;
    qsizetype longest = 0;
    for (const auto& [path, entry] : entries) {
        expected += 2 * path.size() + entry.normalizedSearchTextUtf8.size() +
                    entry.transcript.body.size() * 11 / 10 + 512;
        longest = std::max({longest, entry.normalizedSearchTextUtf8.size(), entry.transcript.body.size()});
    }
    Writer out(expected + 6 * longest);
    writeEntries(out, entries, [](bool) { return true; });
    return out.take();
}

bool TranscriptIndexFileWriter::write(const Entries& entries, QIODevice& device) {
    constexpr qsizetype piece = 1 << 20;
    Writer out(2 * piece);
    return writeEntries(out, entries, [&](bool last) {
        if (!last && out.size() < piece)
            return true;
        const bool written = device.write(out.data(), out.size()) == out.size();
        out.clear();
        return written;
    });
}
