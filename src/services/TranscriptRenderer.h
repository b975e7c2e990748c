#pragma once

#include "models/TranscriptDocument.h"
#include "models/TranscriptExportFormat.h"

#include <QString>

// The export renderings of a transcript. Rendering never fails.
namespace TranscriptRenderer {

// "&", "<", ">", '"' and "'" as entities, "&" first.
QString htmlEscaped(const QString& text);

// A standalone page: title, folder path, then one element per body line.
QString html(const TranscriptDocument& document);

// The body unchanged.
QString markdown(const TranscriptDocument& document);

// The body with every "## " and then every "# " removed.
QString plainText(const TranscriptDocument& document);

QString rendered(const TranscriptDocument& document, TranscriptExportFormat format);

} // namespace TranscriptRenderer
