// Test entry point: before anything else runs, HOME, the XDG folders and TMPDIR point into a
// fresh temporary folder, so no test can read or write a real user's files or settings.
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

void setVariable(const char* name, const QString& value) {
    qputenv(name, QFile::encodeName(value));
}

} // namespace

int main(int argc, char** argv) {
    char base[] = "/tmp/tallybrook-test-XXXXXX";
    const char* root = mkdtemp(base);
    if (!root)
        return 2;
    const QString home = QString::fromLocal8Bit(root);
    for (const char* sub : {"home", "data", "config", "cache", "tmp", "runtime"})
        QDir(home).mkpath(QString::fromLatin1(sub));
    setVariable("HOME", home + QStringLiteral("/home"));
    setVariable("XDG_DATA_HOME", home + QStringLiteral("/data"));
    setVariable("XDG_CONFIG_HOME", home + QStringLiteral("/config"));
    setVariable("XDG_CACHE_HOME", home + QStringLiteral("/cache"));
    setVariable("XDG_RUNTIME_DIR", home + QStringLiteral("/runtime"));
    setVariable("TMPDIR", home + QStringLiteral("/tmp"));
    // No test may reach a real server: downloads and update checks go to a closed local port
    // unless a test points them at its own server, and never through a proxy.
    qputenv("TALLYBROOK_MODEL_BASE_URL", "http://127.0.0.1:9/models/");
    qputenv("TALLYBROOK_APPCAST_URL", "http://127.0.0.1:9/appcast.xml");
    for (const char* proxy :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        qunsetenv(proxy);
    QStandardPaths::setTestModeEnabled(false);

    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tallybrook"));
    QCoreApplication::setApplicationName(QStringLiteral("Tallybrook"));
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDir(home).removeRecursively();
    return result;
}
