#include "models/IndexedTranscript.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"
#include "models/TranscriptText.h"

#include <QUrl>

IndexedTranscript IndexedTranscript::make(const QString& sourceURL, const QDateTime& modifiedAt,
                                          const TranscriptDocument& transcript) {
    const QString text = searchText(transcript);
    return {sourceURL, modifiedAt, transcript, text, text.toUtf8()};
}

QString IndexedTranscript::searchText(const TranscriptDocument& transcript) {
    QString text;
    text.reserve(transcript.title.size() + transcript.recordingFolderPath.size() + transcript.body.size() +
                 2);
    text.append(transcript.title)
        .append(QLatin1Char('\n'))
        .append(transcript.recordingFolderPath)
        .append(QLatin1Char('\n'))
        .append(transcript.body);
    return TranscriptText::searchForm(std::move(text));
}

QJsonObject IndexedTranscript::toJson() const {
    return {{QStringLiteral("sourceURL"), QUrl::fromLocalFile(sourceURL).toString(QUrl::FullyEncoded)},
            {QStringLiteral("sourceModifiedAt"), JsonFormat::dateString(sourceModifiedAt)},
            {QStringLiteral("transcript"), transcript.toJson()},
            {QStringLiteral("normalizedSearchText"), normalizedSearchText}};
}

IndexedTranscript IndexedTranscript::fromJson(const QJsonObject& object) {
    const QString key = QStringLiteral("sourceURL");
    const QUrl url(JsonFormat::requiredString(object, key), QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        throw JsonDecodingError(
            QStringLiteral("The data couldn’t be read because the value for “%1” is not a file URL.")
                .arg(key));
    IndexedTranscript entry;
    entry.sourceURL = url.toLocalFile();
    entry.sourceModifiedAt = JsonFormat::requiredDate(object, QStringLiteral("sourceModifiedAt"));
    entry.transcript =
        TranscriptDocument::fromJson(JsonFormat::requiredObject(object, QStringLiteral("transcript")));
    entry.normalizedSearchText = JsonFormat::requiredString(object, QStringLiteral("normalizedSearchText"));
    entry.searchKey = entry.normalizedSearchText.toUtf8();
    return entry;
}
