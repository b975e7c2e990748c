#pragma once

#include <QString>
#include <QUrl>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <stop_token>

// Bytes received so far and the total when the server announced it.
using DownloadProgressCallback = std::function<void(qint64 receivedBytes, std::optional<qint64> totalBytes)>;

// Fetches a model file. Swapped in tests and by the workspace's tests.
class WhisperModelDownloading {
public:
    virtual ~WhisperModelDownloading() = default;

    // Returns the path of a temporary file holding the complete body; the caller moves or deletes
    // it. Throws WhisperModelDownloadError for a status outside 200-299, PlatformError with the
    // HTTP client's text for transport failures, CancelledError when stopToken is cancelled (then
    // no temporary file is left behind).
    virtual QString download(const QUrl& address, std::stop_token stopToken,
                             const DownloadProgressCallback& progress = {}) = 0;
};
