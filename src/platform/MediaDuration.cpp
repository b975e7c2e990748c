#include "platform/MediaDuration.h"

#include <QFile>
#include <cmath>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace MediaDuration {
namespace {

void quietFFmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

double containerSeconds(AVFormatContext* context) {
    if (context->duration == AV_NOPTS_VALUE || context->duration <= 0)
        return 0;
    return static_cast<double>(context->duration) / AV_TIME_BASE;
}

} // namespace

std::optional<double> seconds(const QString& filePath) {
    quietFFmpeg();
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, QFile::encodeName(filePath).constData(), nullptr, nullptr) < 0)
        return std::nullopt;
    double result = containerSeconds(context);
    // Containers without a duration in their header (raw streams) need their packets probed.
    if (result <= 0 && avformat_find_stream_info(context, nullptr) >= 0)
        result = containerSeconds(context);
    avformat_close_input(&context);
    if (!std::isfinite(result) || result <= 0)
        return std::nullopt;
    return result;
}

} // namespace MediaDuration
