#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <atomic>
#include <stop_token>

// What a check found: the newest release when it is newer than the running version.
struct UpdateCheckResult {
    bool isUpdateAvailable = false;
    QString latestVersion;
    QString releaseNotes;
    QUrl downloadLink;

    // "Tallybrook is up to date." or "Tallybrook 1.2 is available."
    QString summary() const;
};

// The application's update component: started on creation, it checks an appcast feed only when
// the user asks. canCheckForUpdates is true once started and false while a check runs.
class UpdateChecker : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    explicit UpdateChecker(QObject* parent = nullptr);
    UpdateChecker(QString runningVersion, QUrl feedAddress, QObject* parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

    // Synchronous; call it off the main thread. Throws UpdateCheckError, PlatformError with the
    // HTTP client's text, or CancelledError.
    UpdateCheckResult checkForUpdates(std::stop_token stopToken = {});

    QString runningVersion() const { return m_runningVersion; }
    QUrl feedAddress() const { return m_feedAddress; }

    // TALLYBROOK_APPCAST_URL when set, otherwise the feed address built into the application.
    static QUrl defaultFeedAddress();
    static QString builtInRunningVersion();

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);

private:
    void setCanCheckForUpdates(bool value);
    QByteArray fetchFeed(std::stop_token stopToken) const;

    QString m_runningVersion;
    QUrl m_feedAddress;
    std::atomic<bool> m_canCheckForUpdates{false};
};
