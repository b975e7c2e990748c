#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <vector>

// One release announced by an appcast feed.
struct AppcastItem {
    QString version; // sparkle:version (element or enclosure attribute), else shortVersionString
    QString title;
    QString releaseNotes; // the item's description
    QUrl link;            // the item's link, else its enclosure's url
};

// Reads an appcast: an RSS 2.0 feed whose items describe releases. Throws UpdateCheckError
// (unreadableFeed) when the bytes are no RSS feed or an item has no version.
class AppcastFeedParser {
public:
    static std::vector<AppcastItem> parse(const QByteArray& feed);
    // Compares dotted versions numerically ("1.10" after "1.9"; "1.2" equals "1.2.0"): <0, 0, >0.
    static int compareVersions(const QString& left, const QString& right);
};
