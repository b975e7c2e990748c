#pragma once

#include "models/TimedTranscriptSegment.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <optional>
#include <vector>

// What one Whisper JSON result holds for us.
struct WhisperParsedTranscript {
    std::vector<TimedTranscriptSegment> segments;
    std::optional<QString> detectedLanguage;
    QString transcriptionTask;

    bool operator==(const WhisperParsedTranscript&) const = default;
};

// Reads the file whisper-cli writes for "-oj": "transcription" (offsets in milliseconds, text),
// optionally "result"."language" and "params"."translate"; everything else is ignored.
class WhisperJSONTranscriptParser {
public:
    // Throws JsonDecodingError when the data is not JSON or a required member is missing.
    static WhisperParsedTranscript parse(const QByteArray& data);

private:
    static TimedTranscriptSegment segment(const QJsonValue& value);
};
