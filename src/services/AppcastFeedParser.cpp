#include "services/AppcastFeedParser.h"

#include "services/UpdateCheckError.h"

#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

[[noreturn]] void failUnreadable() {
    throw UpdateCheckError(UpdateCheckError::Case::unreadableFeed);
}

void readEnclosure(QXmlStreamReader& reader, AppcastItem& item) {
    const QXmlStreamAttributes attributes = reader.attributes();
    const QString version = attributes.value(sparkleNamespace, QStringLiteral("version")).toString();
    if (item.version.isEmpty())
        item.version = version;
    if (item.link.isEmpty())
        item.link = QUrl(attributes.value(QStringLiteral("url")).toString());
    reader.skipCurrentElement();
}

void readItemChild(QXmlStreamReader& reader, AppcastItem& item, QString& shortVersion) {
    const bool isSparkle = reader.namespaceUri() == sparkleNamespace;
    const QStringView name = reader.name();
    if (name == QStringLiteral("enclosure"))
        return readEnclosure(reader, item);
    const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    if (isSparkle && name == QStringLiteral("version"))
        item.version = text;
    else if (isSparkle && name == QStringLiteral("shortVersionString"))
        shortVersion = text;
    else if (!isSparkle && name == QStringLiteral("title"))
        item.title = text;
    else if (!isSparkle && name == QStringLiteral("description"))
        item.releaseNotes = text;
    else if (!isSparkle && name == QStringLiteral("link") && item.link.isEmpty())
        item.link = QUrl(text);
}

AppcastItem readItem(QXmlStreamReader& reader) {
    AppcastItem item;
    QString shortVersion;
    while (reader.readNextStartElement())
        readItemChild(reader, item, shortVersion);
    if (item.version.isEmpty())
        item.version = shortVersion;
    if (item.version.isEmpty())
        failUnreadable();
    return item;
}

QList<qlonglong> versionNumbers(const QString& version) {
    QList<qlonglong> numbers;
    for (const QString& part :
         version.split(QRegularExpression(QStringLiteral("[^0-9]+")), Qt::SkipEmptyParts))
        numbers.append(part.toLongLong());
    return numbers;
}

} // namespace

std::vector<AppcastItem> AppcastFeedParser::parse(const QByteArray& feed) {
    QXmlStreamReader reader(feed);
    if (!reader.readNextStartElement() || reader.name() != QStringLiteral("rss"))
        failUnreadable();
    std::vector<AppcastItem> items;
    bool sawChannel = false;
    while (reader.readNextStartElement()) {
        if (reader.name() != QStringLiteral("channel")) {
            reader.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (reader.readNextStartElement()) {
            if (reader.name() == QStringLiteral("item"))
                items.push_back(readItem(reader));
            else
                reader.skipCurrentElement();
        }
    }
    if (reader.hasError() || !sawChannel)
        failUnreadable();
    return items;
}

int AppcastFeedParser::compareVersions(const QString& left, const QString& right) {
    const QList<qlonglong> a = versionNumbers(left);
    const QList<qlonglong> b = versionNumbers(right);
    for (qsizetype index = 0; index < std::max(a.size(), b.size()); ++index) {
        const qlonglong x = index < a.size() ? a.at(index) : 0;
        const qlonglong y = index < b.size() ? b.at(index) : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}
