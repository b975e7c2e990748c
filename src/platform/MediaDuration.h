#pragma once

#include <QString>
#include <optional>

// Reads an audio or video file's playing time from its container with FFmpeg.
namespace MediaDuration {

// Seconds when the file opens as media and reports a finite duration above 0; otherwise absent.
// Never throws.
std::optional<double> seconds(const QString& filePath);

} // namespace MediaDuration
