#pragma once

#include "models/SpeakerNameEntry.h"
#include "models/TranscriptDocument.h"

#include <QStringList>
#include <vector>

// The speaker labels of a transcript body, read from its heading lines.
namespace SpeakerLabels {

// The labels of the timestamp headings ("[01:02] Name"), then those of the section headings
// ("## Title"), in body order, duplicates kept. A label is the rest of the heading, trimmed; an
// empty one or one of more than 60 characters is left out.
QStringList detected(const QString& body);

// The speaker rows of a document in natural order: the labels its body shows that are not a
// renamed speaker's display name, and every renamed label, each with its display name.
std::vector<SpeakerNameEntry> entries(const TranscriptDocument& document);

// The body with a speaker's headings renamed: in timestamp headings the old label when a word
// boundary follows it, in section headings when only white space follows it. Both labels are
// taken literally; text lines are never touched.
QString replacing(const QString& oldLabel, const QString& newLabel, const QString& body);

} // namespace SpeakerLabels
