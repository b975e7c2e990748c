#pragma once

#include <QString>
#include <optional>

// One editable block of a transcript body: a heading line and the text under it.
struct TranscriptBlock {
    // What starts the block; a timestamp heading carries the text between its brackets.
    struct HeadingStyle {
        enum class Kind { timestamp, section, none };
        Kind kind = Kind::none;
        QString timestamp;

        bool operator==(const HeadingStyle&) const = default;

        static HeadingStyle timestampHeading(const QString& timestamp) {
            return {Kind::timestamp, timestamp};
        }
        static HeadingStyle section() { return {Kind::section, {}}; }
        static HeadingStyle none() { return {}; }
    };

    qsizetype id = 0;
    HeadingStyle headingStyle;
    std::optional<QString> speaker; // speaker of a timestamp heading, title of a section heading
    QString text;

    bool operator==(const TranscriptBlock&) const = default;
};
