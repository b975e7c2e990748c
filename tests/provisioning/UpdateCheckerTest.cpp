#include "services/UpdateChecker.h"
#include "LocalHttpServer.h"
#include "models/TallybrookError.h"
#include "services/AppcastFeedParser.h"
#include "services/UpdateCheckError.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QByteArray appcast(const QByteArray& items) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Tallybrook</title>)" +
           items + "</channel></rss>";
}

const QByteArray twoReleases = appcast(R"(
<item><title>Version 1.4</title><sparkle:version>1.4</sparkle:version>
  <description><![CDATA[<p>Faster downloads.</p>]]></description>
  <enclosure url="http://127.0.0.1/Tallybrook-1.4.tar.gz" sparkle:version="1.4" length="10" type="application/octet-stream"/></item>
<item><title>Version 1.10</title><link>http://127.0.0.1/releases/1.10</link>
  <description>Search in exports.</description>
  <enclosure url="http://127.0.0.1/Tallybrook-1.10.tar.gz" sparkle:version="1.10" length="10"/></item>)");

UpdateCheckResult check(const QString& runningVersion, const QUrl& feed) {
    UpdateChecker checker(runningVersion, feed);
    return checker.checkForUpdates();
}

} // namespace

TEST(UpdateCheckerTest, ComparesTheNewestReleaseWithTheRunningVersion) {
    LocalHttpServer server;
    LocalHttpServer::Response feed;
    feed.body = twoReleases;
    server.answer(QStringLiteral("/appcast.xml"), feed);
    const QUrl address(server.baseAddress() + "appcast.xml");

    struct Case {
        QString running;
        bool newer;
        QString summary;
    };
    const Case cases[] = {
        {QStringLiteral("1.9"), true, QStringLiteral("Tallybrook 1.10 is available.")},
        {QStringLiteral("1.10"), false, QStringLiteral("Tallybrook is up to date.")},
        {QStringLiteral("1.10.0"), false, QStringLiteral("Tallybrook is up to date.")},
        {QStringLiteral("2.0"), false, QStringLiteral("Tallybrook is up to date.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.running));
        const UpdateCheckResult result = check(c.running, address);
        EXPECT_EQ(result.isUpdateAvailable, c.newer);
        EXPECT_EQ(result.summary(), c.summary);
    }
    const UpdateCheckResult newer = check(QStringLiteral("0.1.0"), address);
    EXPECT_EQ(newer.latestVersion, QStringLiteral("1.10"));
    EXPECT_EQ(newer.releaseNotes, QStringLiteral("Search in exports."));
    EXPECT_EQ(newer.downloadLink, QUrl(QStringLiteral("http://127.0.0.1/releases/1.10")));
}

TEST(UpdateCheckerTest, FailuresHaveClearTexts) {
    LocalHttpServer server;
    LocalHttpServer::Response malformed;
    malformed.body = "<rss><channel><item><title>unterminated";
    server.answer(QStringLiteral("/malformed.xml"), malformed);
    LocalHttpServer::Response html;
    html.body = "<!DOCTYPE html><html><body>Portal</body></html>";
    server.answer(QStringLiteral("/html.xml"), html);
    LocalHttpServer::Response noVersion;
    noVersion.body = appcast("<item><title>Something</title></item>");
    server.answer(QStringLiteral("/noversion.xml"), noVersion);

    const QString unreadable = QStringLiteral("The update information could not be read.");
    struct Case {
        QString path;
        QString text;
    };
    const Case cases[] = {
        {QStringLiteral("malformed.xml"), unreadable},
        {QStringLiteral("html.xml"), unreadable},
        {QStringLiteral("noversion.xml"), unreadable},
        {QStringLiteral("missing.xml"), QStringLiteral("The update information could not be downloaded.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        try {
            check(QStringLiteral("1.0"), QUrl(server.baseAddress() + c.path));
            ADD_FAILURE() << "no failure";
        } catch (const UpdateCheckError& error) {
            EXPECT_EQ(error.description(), c.text);
        }
    }
}

TEST(UpdateCheckerTest, ServerDownPassesOnTheClientTextAndAllowsTheNextCheck) {
    int closedPort = 0;
    {
        LocalHttpServer gone;
        closedPort = gone.port();
    }
    UpdateChecker checker(QStringLiteral("1.0"),
                          QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(closedPort)));
    QSignalSpy changes(&checker, &UpdateChecker::canCheckForUpdatesChanged);
    try {
        checker.checkForUpdates();
        ADD_FAILURE() << "no failure";
    } catch (const PlatformError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("Couldn't connect to server")))
            << error.what();
    }
    EXPECT_TRUE(checker.canCheckForUpdates());
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(0).at(0).toBool(), false);
    EXPECT_EQ(changes.at(1).at(0).toBool(), true);
}

TEST(UpdateCheckerTest, StartsOnCreationAndReadsTheFeedAddressFromTheEnvironment) {
    UpdateChecker started;
    EXPECT_TRUE(started.canCheckForUpdates());
    EXPECT_EQ(started.runningVersion(), QStringLiteral(TALLYBROOK_VERSION));
    qputenv("TALLYBROOK_APPCAST_URL", "http://127.0.0.1:9/feed.xml");
    EXPECT_EQ(UpdateChecker::defaultFeedAddress(), QUrl(QStringLiteral("http://127.0.0.1:9/feed.xml")));
    qunsetenv("TALLYBROOK_APPCAST_URL");
    EXPECT_EQ(UpdateChecker::defaultFeedAddress().scheme(), QStringLiteral("https"));
    qputenv("TALLYBROOK_APPCAST_URL", "http://127.0.0.1:9/appcast.xml");
}

TEST(UpdateCheckerTest, VersionsCompareNumerically) {
    struct Case {
        const char* left;
        const char* right;
        int order;
    };
    const Case cases[] = {{"1.10", "1.9", 1}, {"1.2", "1.2.0", 0}, {"0.1.0", "0.1.1", -1}, {"2", "10", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(
            AppcastFeedParser::compareVersions(QString::fromLatin1(c.left), QString::fromLatin1(c.right)),
            c.order)
            << c.left << " vs " << c.right;
}
