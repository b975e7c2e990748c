#pragma once

#include <QString>
#include <array>
#include <optional>

// The renderings a transcript can be exported or shared in.
enum class TranscriptExportFormat { html, markdown, plainText };

namespace TranscriptExportFormats {

inline constexpr std::array<TranscriptExportFormat, 3> allCases = {
    TranscriptExportFormat::html, TranscriptExportFormat::markdown, TranscriptExportFormat::plainText};

// "HTML", "Markdown", "TXT": the word used in status lines.
QString label(TranscriptExportFormat format);
// "html", "md", "txt".
QString fileExtension(TranscriptExportFormat format);
// The command-line names "html", "markdown" and "text".
std::optional<TranscriptExportFormat> fromCommandLineName(const QString& name);

} // namespace TranscriptExportFormats
