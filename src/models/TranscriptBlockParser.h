#pragma once

#include "models/TranscriptBlock.h"

#include <QString>
#include <vector>

// Splits a transcript body into editable blocks and joins blocks back into a body.
namespace TranscriptBlockParser {

// Never empty: a blank body gives one block without heading or text.
std::vector<TranscriptBlock> parse(const QString& body);

// Blocks separated by one blank line; a timestamp heading is followed by a single newline, a
// section heading by a blank line; no newline at the end.
QString serialize(const std::vector<TranscriptBlock>& blocks);

// Whether a line is a timestamp heading; fills timestamp and speaker when it is.
bool matchTimestampHeading(QStringView line, QString* timestamp = nullptr, QString* speaker = nullptr);

} // namespace TranscriptBlockParser
