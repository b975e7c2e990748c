#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// An exact substring test prepared once per query and run over many UTF-8 texts. UTF-8 is
// self-synchronising, so a byte match is a match of whole characters, and scanning UTF-8 reads
// half the memory of UTF-16.
class PhraseMatcher {
public:
    explicit PhraseMatcher(const QString& phrase);

    // The byte offset of the first occurrence from `from` on, or -1.
    qsizetype indexIn(QByteArrayView utf8Text, qsizetype from = 0) const;

private:
    QByteArray m_phrase;
    // Two positions in the phrase whose bytes are rare in ordinary text; sixteen starting
    // points are tested against both at once, and only the few that pass are compared whole.
    qsizetype m_rarest = 0;
    qsizetype m_secondRarest = 0;
};
