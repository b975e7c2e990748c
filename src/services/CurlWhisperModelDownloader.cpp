#include "services/CurlWhisperModelDownloader.h"
#include "platform/TemporaryFileGuard.h"

#include "models/TallybrookError.h"
#include "services/CurlTransfer.h"
#include "services/WhisperModelDownloadError.h"

#include <QDir>
#include <QFile>

namespace {

[[noreturn]] void failWriting(const QFile& file) {
    throw PlatformError(QStringLiteral("The file “%1” couldn’t be written: %2.")
                            .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}

} // namespace

QString CurlWhisperModelDownloader::download(const QUrl& address, std::stop_token stopToken,
                                             const DownloadProgressCallback& progress) {
    const QString path = TemporaryFileGuard::uniquePath();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        failWriting(file);
    TemporaryFileGuard guard(path);

    const auto writeBody = [&file](const char* data, std::size_t size) {
        if (file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size))
            failWriting(file);
    };
    const long status = CurlTransfer::get(address, writeBody, stopToken, progress);
    if (!file.flush())
        failWriting(file);
    file.close();
    if (status < 200 || status > 299)
        throw WhisperModelDownloadError(WhisperModelDownloadError::Case::invalidResponse);
    return guard.release();
}
