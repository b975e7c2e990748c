#pragma once

#include "services/WhisperModelDownloading.h"

// Downloads a model file with libcurl into a file named by a random UUID in the temporary folder.
class CurlWhisperModelDownloader : public WhisperModelDownloading {
public:
    QString download(const QUrl& address, std::stop_token stopToken,
                     const DownloadProgressCallback& progress = {}) override;
};
