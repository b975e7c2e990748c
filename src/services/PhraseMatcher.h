#pragma once

#include <QString>
#include <QStringView>
#include <array>

// An exact substring test prepared once per query and run over many texts: Boyer-Moore-Horspool
// on UTF-16 code units with a bad-character table keyed by the low byte (colliding units keep
// the smaller shift), so long phrases skip most of a text that does not contain them.
class PhraseMatcher {
public:
    explicit PhraseMatcher(QString phrase);

    bool isContainedIn(QStringView text) const;
    // Index of the first occurrence at or after from, or -1.
    qsizetype indexIn(QStringView text, qsizetype from = 0) const;

private:
    QString m_phrase;
    std::array<qsizetype, 256> m_shift{};
};
