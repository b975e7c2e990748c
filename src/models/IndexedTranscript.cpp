#include "models/IndexedTranscript.h"

#include "models/JsonDecodingError.h"
#include "models/JsonFormat.h"
#include "models/TranscriptText.h"

#include <QStringDecoder>
#include <QUrl>

IndexedTranscript IndexedTranscript::make(const QString& sourceURL, const QDateTime& modifiedAt,
                                          const TranscriptDocument& transcript) {
    return {sourceURL, modifiedAt, transcript, searchText(transcript).toUtf8()};
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

QString IndexedTranscript::normalizedSearchText() const {
    // QString::fromUtf8 would drop a leading byte order mark, which belongs to the text here.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(normalizedSearchTextUtf8);
}

QJsonObject IndexedTranscript::toJson() const {
    return {{QStringLiteral("sourceURL"), QUrl::fromLocalFile(sourceURL).toString(QUrl::FullyEncoded)},
            {QStringLiteral("sourceModifiedAt"), JsonFormat::dateString(sourceModifiedAt)},
            {QStringLiteral("transcript"), transcript.toJson()},
            {QStringLiteral("normalizedSearchText"), normalizedSearchText()}};
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
    entry.normalizedSearchTextUtf8 =
        JsonFormat::requiredString(object, QStringLiteral("normalizedSearchText")).toUtf8();
    return entry;
}
