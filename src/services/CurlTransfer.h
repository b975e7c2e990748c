#pragma once

#include "services/WhisperModelDownloading.h"

#include <QUrl>
#include <cstddef>
#include <functional>
#include <stop_token>

// One HTTP GET through libcurl that follows redirects and stops at once when its stop token is
// cancelled. Shared by the model downloader and the update checker.
class CurlTransfer {
public:
    // Receives each piece of the body; may throw, which ends the transfer with that exception.
    using BodySink = std::function<void(const char* data, std::size_t size)>;

    // Returns the final HTTP status code (0 when the answer was no HTTP response). Throws
    // PlatformError with libcurl's text on transport failures and CancelledError on cancellation.
    static long get(const QUrl& address, const BodySink& sink, std::stop_token stopToken,
                    const DownloadProgressCallback& progress = {});
};
