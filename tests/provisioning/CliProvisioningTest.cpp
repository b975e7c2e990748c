#include "LocalHttpServer.h"
#include "platform/AppPaths.h"
#include "platform/FileAccess.h"
#include "support/FixtureFiles.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString cli() {
    return TestData::binFolder() + QStringLiteral("/tallybrook-cli");
}

struct CliRun {
    int status = -1;
    QString output;
    QString error;
};

CliRun transcribe(const QString& storage, const QString& folder) {
    QByteArray output;
    QByteArray error;
    CliRun run;
    run.status = FixtureFiles::run(
        cli(), {QStringLiteral("--storage"), storage, QStringLiteral("transcribe"), folder}, &output, &error);
    run.output = QString::fromUtf8(output);
    run.error = QString::fromUtf8(error);
    return run;
}

} // namespace

// A fresh data folder: the first run downloads and installs the model through the local server,
// runs the bundled whisper-cli and saves the transcript; a later run downloads nothing.
TEST(CliProvisioningTest, TranscribeWithoutAProgramInstallsTheModelAndSaves) {
    TALLYBROOK_REQUIRE_SHARED_FILE(weightless, QStringLiteral("whisper/for-tests-ggml-tiny.en.bin"));
    TALLYBROOK_REQUIRE_SHARED_FILE(jfk, QStringLiteral("whisper/jfk.wav"));
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        GTEST_SKIP() << "the ffmpeg command line is not installed";
    if (!QFileInfo(TestData::binFolder() + QStringLiteral("/Whisper/bin/whisper-cli")).isExecutable())
        GTEST_SKIP() << "the bundled whisper-cli is not built";

    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("Weekly call"));
    QDir().mkpath(folder);
    ASSERT_EQ(FixtureFiles::run(QStringLiteral("ffmpeg"),
                                {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
                                 QStringLiteral("-i"), jfk, QStringLiteral("-c:a"), QStringLiteral("aac"),
                                 folder + QStringLiteral("/call.m4a")}),
              0);
    const QString storage = root.filePath(QStringLiteral("store"));
    const QString installed = AppPaths::applicationFolder() + QStringLiteral("/Models/ggml-tiny.en-q5_1.bin");
    ASSERT_FALSE(QFileInfo::exists(installed));

    LocalHttpServer server;
    qputenv("TALLYBROOK_MODEL_BASE_URL", server.baseAddress().toUtf8());

    const CliRun refused = transcribe(storage, folder);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(
        refused.error.contains(QStringLiteral("The transcription model download could not be completed.")))
        << qPrintable(refused.error);
    EXPECT_FALSE(QFileInfo::exists(installed));

    LocalHttpServer::Response model;
    model.body = FileAccess::readAll(weightless);
    server.answer(QStringLiteral("/ggml-tiny.en-q5_1.bin"), model);
    const CliRun first = transcribe(storage, folder);
    ASSERT_EQ(first.status, 0) << qPrintable(first.error);
    EXPECT_TRUE(first.error.contains(QStringLiteral("Downloading local model\n"))) << qPrintable(first.error);
    EXPECT_TRUE(first.error.contains(QStringLiteral("Downloading local model \u00b7 100%\n")));
    EXPECT_TRUE(first.error.contains(QStringLiteral("Local model installed\n")));
    EXPECT_EQ(FileAccess::readAll(installed), model.body);
    const QString saved = first.output.trimmed();
    EXPECT_TRUE(saved.startsWith(storage)) << qPrintable(saved);
    EXPECT_TRUE(QFileInfo(saved).isFile()) << qPrintable(saved);

    const CliRun second = transcribe(storage, folder);
    ASSERT_EQ(second.status, 0) << qPrintable(second.error);
    EXPECT_FALSE(second.error.contains(QStringLiteral("Downloading local model")));
    EXPECT_EQ(server.requestedPaths(), (QStringList{QStringLiteral("/ggml-tiny.en-q5_1.bin"),
                                                    QStringLiteral("/ggml-tiny.en-q5_1.bin")}));
    qputenv("TALLYBROOK_MODEL_BASE_URL", "http://127.0.0.1:9/models/");
}
