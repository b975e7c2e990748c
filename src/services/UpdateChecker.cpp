#include "services/UpdateChecker.h"

#include "services/AppcastFeedParser.h"
#include "services/CurlTransfer.h"
#include "services/UpdateCheckError.h"

#include <QtGlobal>
#include <algorithm>

namespace {

const char* const builtInFeedAddress = "https://tallybrook.app/appcast.xml";
// A feed is a few kilobytes; anything far larger is not one.
constexpr qsizetype maximumFeedSize = 4 * 1024 * 1024;

// Restores canCheckForUpdates however the check ends.
template <typename Restore> struct ScopeExit {
    Restore restore;
    ~ScopeExit() { restore(); }
};

} // namespace

QString UpdateCheckResult::summary() const {
    if (!isUpdateAvailable)
        return QStringLiteral("Tallybrook is up to date.");
    return QStringLiteral("Tallybrook %1 is available.").arg(latestVersion);
}

UpdateChecker::UpdateChecker(QObject* parent)
    : UpdateChecker(builtInRunningVersion(), defaultFeedAddress(), parent) {}

UpdateChecker::UpdateChecker(QString runningVersion, QUrl feedAddress, QObject* parent)
    : QObject(parent)
    , m_runningVersion(std::move(runningVersion))
    , m_feedAddress(std::move(feedAddress)) {
    setCanCheckForUpdates(true);
}

QUrl UpdateChecker::defaultFeedAddress() {
    const QString overridden = qEnvironmentVariable("TALLYBROOK_APPCAST_URL");
    return QUrl(overridden.isEmpty() ? QString::fromUtf8(builtInFeedAddress) : overridden);
}

QString UpdateChecker::builtInRunningVersion() {
    return QStringLiteral(TALLYBROOK_VERSION);
}

void UpdateChecker::setCanCheckForUpdates(bool value) {
    if (m_canCheckForUpdates.exchange(value) != value)
        Q_EMIT canCheckForUpdatesChanged(value);
}

QByteArray UpdateChecker::fetchFeed(std::stop_token stopToken) const {
    QByteArray feed;
    const auto append = [&feed](const char* data, std::size_t size) {
        feed.append(data, static_cast<qsizetype>(size));
        if (feed.size() > maximumFeedSize)
            throw UpdateCheckError(UpdateCheckError::Case::unreadableFeed);
    };
    const long status = CurlTransfer::get(m_feedAddress, append, stopToken);
    if (status < 200 || status > 299)
        throw UpdateCheckError(UpdateCheckError::Case::invalidResponse);
    return feed;
}

UpdateCheckResult UpdateChecker::checkForUpdates(std::stop_token stopToken) {
    bool expected = true;
    if (!m_canCheckForUpdates.compare_exchange_strong(expected, false))
        throw UpdateCheckError(UpdateCheckError::Case::checkInProgress);
    Q_EMIT canCheckForUpdatesChanged(false);
    const ScopeExit restore{[this] { setCanCheckForUpdates(true); }};

    const std::vector<AppcastItem> items = AppcastFeedParser::parse(fetchFeed(stopToken));
    const auto newest = std::max_element(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return AppcastFeedParser::compareVersions(a.version, b.version) < 0;
    });
    if (newest == items.end() || AppcastFeedParser::compareVersions(newest->version, m_runningVersion) <= 0)
        return UpdateCheckResult{false, m_runningVersion, {}, {}};
    return UpdateCheckResult{true, newest->version, newest->releaseNotes, newest->link};
}
