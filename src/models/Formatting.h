#pragma once

#include <QString>

// Small text helpers shared by every layer.
namespace Formatting {

// Seconds as a short text: "1h 2m", "2m 5s", "42s". Rounded half away from zero; negative is 0.
QString formatDuration(double seconds);

// A count and a noun, plural unless the count is 1: "1 recording", "0 saved transcripts".
QString countPhrase(qsizetype count, const QString& noun);

// A file name made from a title or folder name: "/" and ":" become "-", nothing else changes.
QString sanitizedFileName(const QString& name);

} // namespace Formatting
