#include "StandInPrograms.h"

#include "models/CancelledError.h"
#include "models/TallybrookError.h"
#include "services/CancellableProcess.h"
#include "support/FixtureFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString shell = QStringLiteral("/bin/sh");

// Runs a shell command line through the runner; the command sees our QTemporaryDir as $0's folder.
std::int32_t runShell(const QString& command,
                      const std::optional<QProcessEnvironment>& environment = std::nullopt,
                      std::stop_token stopToken = {}) {
    return CancellableProcess().run(shell, {QStringLiteral("-c"), command}, environment, stopToken);
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

TEST(CancellableProcess, ReturnsTheExitStatusAndPassesArgumentsUnchanged) {
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("out"));
    EXPECT_EQ(runShell(QStringLiteral("exit 3")), 3);
    EXPECT_EQ(runShell(QStringLiteral("exit 0")), 0);
    EXPECT_EQ(
        CancellableProcess().run(shell,
                                 {QStringLiteral("-c"), QStringLiteral("printf '%s|' \"$@\" > \"$0\""), out,
                                  QStringLiteral("a b"), QStringLiteral("$HOME"), QStringLiteral("*")},
                                 std::nullopt, {}),
        0);
    EXPECT_EQ(readFile(out), QStringLiteral("a b|$HOME|*|"));
}

TEST(CancellableProcess, ReportsADeathBySignalAsNonZero) {
    EXPECT_EQ(runShell(QStringLiteral("kill -SEGV $$")), 128 + 11);
    EXPECT_EQ(runShell(QStringLiteral("kill -KILL $$")), 128 + 9);
}

TEST(CancellableProcess, AnExitStatusThatCannotBeReadIsAFailureNotSuccess) {
    // With SIGCHLD ignored the kernel reaps children itself and no status is left to read.
    const auto previous = std::signal(SIGCHLD, SIG_IGN);
    EXPECT_THROW(runShell(QStringLiteral("exit 7")), PlatformError);
    std::signal(SIGCHLD, previous);
    EXPECT_EQ(runShell(QStringLiteral("exit 7")), 7);
}

TEST(CancellableProcess, InheritsOrReplacesTheEnvironment) {
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("env"));
    qputenv("TALLYBROOK_INHERITED", "yes");
    runShell(QStringLiteral("echo \"${TALLYBROOK_INHERITED:-unset} ${ONLY:-unset}\" > ") + out);
    EXPECT_EQ(readFile(out), QStringLiteral("yes unset"));

    QProcessEnvironment whole;
    whole.insert(QStringLiteral("ONLY"), QStringLiteral("this"));
    runShell(QStringLiteral("echo \"${TALLYBROOK_INHERITED:-unset} ${ONLY:-unset}\" > ") + out, whole);
    EXPECT_EQ(readFile(out), QStringLiteral("unset this"));
    qunsetenv("TALLYBROOK_INHERITED");
}

TEST(CancellableProcess, FailsToLaunchWithTheSystemTextAndWorksAgainAfterwards) {
    QTemporaryDir folder;
    const QString plain = folder.filePath(QStringLiteral("not-executable"));
    FixtureFiles::write(plain, "#!/bin/sh\nexit 0\n");
    const std::vector<std::pair<QString, QString>> cases = {
        {folder.filePath(QStringLiteral("missing")), QStringLiteral("No such file or directory")},
        {plain, QStringLiteral("Permission denied")},
        {QString(), QStringLiteral("No such file or directory")},
    };
    for (const auto& [program, reason] : cases) {
        try {
            CancellableProcess().run(program, {}, std::nullopt, {});
            ADD_FAILURE() << "launched " << qPrintable(program);
        } catch (const PlatformError& error) {
            EXPECT_TRUE(error.description().contains(reason)) << qPrintable(error.description());
        }
    }
    EXPECT_EQ(runShell(QStringLiteral("exit 4")), 4);
}

TEST(CancellableProcess, StartsNothingWhenAlreadyCancelled) {
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("ran"));
    std::stop_source source;
    source.request_stop();
    EXPECT_THROW(runShell(QStringLiteral("touch ") + marker, std::nullopt, source.get_token()),
                 CancelledError);
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(CancellableProcess, TerminatesTheChildAndFailsOnlyAfterItEnded) {
    QTemporaryDir folder;
    StandInWhisper child(folder.path());
    child.setEnding(StandInWhisper::Ending::waitForTerminate);
    std::stop_source source;
    std::thread canceller([&] {
        while (!child.hasStarted())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        source.request_stop();
    });
    EXPECT_THROW(CancellableProcess().run(child.program(), {}, std::nullopt, source.get_token()),
                 CancelledError);
    canceller.join();
    // The trap writes this file before the child exits, so seeing it proves run() waited.
    EXPECT_TRUE(child.wasTerminated());
}
