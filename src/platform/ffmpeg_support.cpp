#include "platform/ffmpeg_support.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <mutex>

namespace lumbex::ffmpeg {

QString errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

void quietLogs() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

IoContextPtr makeIoContext(int bufferSize, bool writable, void* opaque,
                           int (*read)(void*, uint8_t*, int), int (*write)(void*, uint8_t*, int),
                           int64_t (*seek)(void*, int64_t, int)) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(size_t(bufferSize)));
    if (!buffer)
        return nullptr;
    AVIOContext* io =
        avio_alloc_context(buffer, bufferSize, writable ? 1 : 0, opaque, read, write, seek);
    if (!io)
        av_free(buffer);
    return IoContextPtr(io);
}

bool useBt709(SwsContext* scaler, bool sourceIsYuv, bool yuvFullRange) {
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    // The RGB side is always full range; only the YUV side's range is a choice.
    const int sourceRange = sourceIsYuv ? (yuvFullRange ? 1 : 0) : 1;
    const int targetRange = sourceIsYuv ? 1 : (yuvFullRange ? 1 : 0);
    return sws_setColorspaceDetails(scaler, bt709, sourceRange, bt709, targetRange, 0, 1 << 16,
                                    1 << 16) >= 0;
}

} // namespace lumbex::ffmpeg
