#include "services/CurlWhisperModelDownloader.h"
#include "LocalHttpServer.h"
#include "ProvisioningFixtures.h"
#include "models/CancelledError.h"
#include "services/WhisperModelDownloadError.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <memory>

using namespace ProvisioningFixtures;

namespace {

const QString modelPath = QStringLiteral("/ggml-tiny.en-q5_1.bin");

class CurlWhisperModelDownloaderTest : public ::testing::Test {
protected:
    QUrl modelAddress() const { return QUrl(m_server.baseAddress() + modelPath.mid(1) + "?download=true"); }

    QByteArray downloadedBytes(const QString& path) const {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
        return file.readAll();
    }

    LocalHttpServer m_server;
    CurlWhisperModelDownloader m_downloader;
    const QStringList m_temporaryBefore = temporaryEntries();
};

} // namespace

// Answers that complete: the body lands in one new file of the temporary folder.
TEST_F(CurlWhisperModelDownloaderTest, CompleteAnswersLandInOneTemporaryFile) {
    struct Case {
        const char* name;
        QByteArray body;
        bool redirected;
    };
    const Case cases[] = {
        {"model file", ggmlLookingModel(), false},
        {"model file behind a redirect chain", ggmlLookingModel(70 * 1024), true},
        {"HTML page with status 200", htmlPage(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocalHttpServer server;
        LocalHttpServer::Response ok;
        ok.body = c.body;
        if (c.redirected) {
            server.answer(modelPath, LocalHttpServer::redirect(302, QStringLiteral("/hop")));
            server.answer(QStringLiteral("/hop"),
                          LocalHttpServer::redirect(301, server.baseAddress() + "final"));
            server.answer(QStringLiteral("/final"), ok);
        } else {
            server.answer(modelPath, ok);
        }
        const QStringList before = temporaryEntries();
        const QString path =
            m_downloader.download(QUrl(server.baseAddress() + "ggml-tiny.en-q5_1.bin?download=true"), {});
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        EXPECT_EQ(newTemporaryEntries(before), QStringList{QFileInfo(path).fileName()});
        EXPECT_EQ(downloadedBytes(path), c.body);
        if (c.redirected) {
            EXPECT_EQ(server.requestedPaths(), (QStringList{modelPath, "/hop", "/final"}));
        }
        QFile::remove(path);
    }
}

TEST_F(CurlWhisperModelDownloaderTest, ReportsProgressWithTheAnnouncedTotal) {
    LocalHttpServer::Response ok;
    ok.body = ggmlLookingModel();
    m_server.answer(modelPath, ok);
    qint64 lastReceived = -1;
    std::optional<qint64> lastTotal;
    const QString path =
        m_downloader.download(modelAddress(), {}, [&](qint64 received, std::optional<qint64> total) {
            EXPECT_GE(received, lastReceived);
            lastReceived = received;
            lastTotal = total;
        });
    EXPECT_EQ(lastReceived, ok.body.size());
    EXPECT_EQ(lastTotal, ok.body.size());
    QFile::remove(path);
}

// Answers that fail: the error and its text, and nothing left in the temporary folder.
TEST_F(CurlWhisperModelDownloaderTest, FailuresLeaveNoTemporaryFile) {
    LocalHttpServer::Response closedMidway;
    closedMidway.body = ggmlLookingModel(100000);
    closedMidway.bodyBytesSent = 40000;
    m_server.answer(QStringLiteral("/closed"), closedMidway);
    LocalHttpServer::Response serverError;
    serverError.status = 500;
    serverError.body = "oops";
    m_server.answer(QStringLiteral("/error"), serverError);
    const QString invalidResponse =
        QStringLiteral("The transcription model download could not be completed.");

    struct Case {
        const char* name;
        QString path;
        QString expectedText;
    };
    const Case cases[] = {
        {"404", QStringLiteral("missing.bin"), invalidResponse},
        {"500", QStringLiteral("error"), invalidResponse},
        {"connection closed midway", QStringLiteral("closed"),
         QStringLiteral("transfer closed with 60000 bytes remaining to read")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            m_downloader.download(QUrl(m_server.baseAddress() + c.path), {});
            ADD_FAILURE() << "no failure";
        } catch (const TallybrookError& error) {
            EXPECT_EQ(error.description(), c.expectedText);
        }
        EXPECT_TRUE(newTemporaryEntries(m_temporaryBefore).isEmpty())
            << qPrintable(newTemporaryEntries(m_temporaryBefore).join(", "));
    }
}

TEST_F(CurlWhisperModelDownloaderTest, NotFoundIsAnInvalidResponse) {
    EXPECT_THROW(m_downloader.download(modelAddress(), {}), WhisperModelDownloadError);
}

TEST_F(CurlWhisperModelDownloaderTest, ServerDownPassesOnTheClientText) {
    int closedPort = 0;
    {
        LocalHttpServer gone;
        closedPort = gone.port();
    }
    try {
        m_downloader.download(QUrl(QStringLiteral("http://127.0.0.1:%1/model.bin").arg(closedPort)), {});
        ADD_FAILURE() << "no failure";
    } catch (const PlatformError& error) {
        EXPECT_TRUE(error.description().contains(
            QStringLiteral("Failed to connect to 127.0.0.1 port %1").arg(closedPort)))
            << error.what();
        EXPECT_TRUE(error.description().contains(QStringLiteral("Couldn't connect to server")))
            << error.what();
    }
    EXPECT_TRUE(newTemporaryEntries(m_temporaryBefore).isEmpty());
}

// The server sends part of the body and then waits; the stop request arrives from the progress
// callback once bytes have arrived, so the cancellation happens midway without any timing.
TEST_F(CurlWhisperModelDownloaderTest, CancellingASlowBodyStopsAtOnceAndLeavesNoFile) {
    LocalHttpServer::Response slow;
    slow.body = ggmlLookingModel(200000);
    slow.bodyBytesSent = 50000;
    slow.holdOpenAfterBody = true;
    m_server.answer(modelPath, slow);
    std::stop_source stop;
    qint64 receivedWhenCancelled = 0;
    EXPECT_THROW(m_downloader.download(modelAddress(), stop.get_token(),
                                       [&](qint64 received, std::optional<qint64>) {
                                           if (received >= 50000 && !stop.stop_requested()) {
                                               receivedWhenCancelled = received;
                                               stop.request_stop();
                                           }
                                       }),
                 CancelledError);
    EXPECT_EQ(receivedWhenCancelled, 50000);
    EXPECT_TRUE(newTemporaryEntries(m_temporaryBefore).isEmpty());
}

TEST_F(CurlWhisperModelDownloaderTest, AnAlreadyCancelledTokenDownloadsNothing) {
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(m_downloader.download(modelAddress(), stop.get_token()), CancelledError);
    EXPECT_TRUE(m_server.requestedPaths().isEmpty());
}
