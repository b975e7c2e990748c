#include "services/CurlTransfer.h"

#include "models/CancelledError.h"
#include "models/TallybrookError.h"

#include <curl/curl.h>
#include <exception>
#include <mutex>

namespace {

// The longest wait between two looks at the transfer; a cancellation wakes the wait at once.
constexpr int pollTimeoutMilliseconds = 1000;
constexpr long maximumRedirects = 16;

struct TransferState {
    const CurlTransfer::BodySink& sink;
    const DownloadProgressCallback& progress;
    std::stop_token stopToken;
    std::exception_ptr failure;
    curl_off_t reportedBytes = -1;
};

// Owns the easy and multi handles and detaches them in the order libcurl requires.
struct Handles {
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    bool attached = false;

    ~Handles() {
        if (attached)
            curl_multi_remove_handle(multi, easy);
        curl_multi_cleanup(multi);
        curl_easy_cleanup(easy);
    }
};

void initialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto* state = static_cast<TransferState*>(context);
    try {
        state->sink(data, size * count);
        return size * count;
    } catch (...) {
        state->failure = std::current_exception();
        return 0;
    }
}

int reportProgress(void* context, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto* state = static_cast<TransferState*>(context);
    if (state->stopToken.stop_requested())
        return 1;
    if (state->progress && received != state->reportedBytes) {
        state->reportedBytes = received;
        state->progress(received, total > 0 ? std::optional<qint64>(total) : std::nullopt);
    }
    return 0;
}

void configure(CURL* easy, const QByteArray& address, TransferState& state, char* errorBuffer) {
    curl_easy_setopt(easy, CURLOPT_URL, address.constData());
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, maximumRedirects);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, receiveBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, reportProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &state);
}

CURLcode runToCompletion(Handles& handles, const std::stop_token& stopToken) {
    std::stop_callback wake(stopToken, [&handles] { curl_multi_wakeup(handles.multi); });
    int running = 1;
    while (running > 0 && !stopToken.stop_requested()) {
        if (curl_multi_perform(handles.multi, &running) != CURLM_OK)
            break;
        if (running > 0)
            curl_multi_poll(handles.multi, nullptr, 0, pollTimeoutMilliseconds, nullptr);
    }
    if (stopToken.stop_requested())
        throw CancelledError();
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(handles.multi, &queued)) {
        if (message->msg == CURLMSG_DONE)
            return message->data.result;
    }
    return CURLE_FAILED_INIT;
}

QString transportText(CURLcode code, const char* errorBuffer) {
    if (errorBuffer[0] != '\0')
        return QString::fromUtf8(errorBuffer).trimmed();
    return QString::fromUtf8(curl_easy_strerror(code));
}

} // namespace

long CurlTransfer::get(const QUrl& address, const BodySink& sink, std::stop_token stopToken,
                       const DownloadProgressCallback& progress) {
    initialiseLibraryOnce();
    if (stopToken.stop_requested())
        throw CancelledError();
    Handles handles;
    if (!handles.easy || !handles.multi)
        throw PlatformError(QString::fromUtf8(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
    char errorBuffer[CURL_ERROR_SIZE] = {};
    TransferState state{sink, progress, stopToken, nullptr};
    configure(handles.easy, address.toEncoded(), state, errorBuffer);
    curl_multi_add_handle(handles.multi, handles.easy);
    handles.attached = true;

    const CURLcode result = runToCompletion(handles, stopToken);
    if (state.failure)
        std::rethrow_exception(state.failure);
    if (result != CURLE_OK)
        throw PlatformError(transportText(result, errorBuffer));
    long status = 0;
    curl_easy_getinfo(handles.easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
}
