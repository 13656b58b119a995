#include "AvLog.h"

#include "ImagingLog.h"

#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace {

void forward(void* object, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_WARNING || !lcImaging().isDebugEnabled())
        return;
    char line[1024];
    int prefix = 1;
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(object, level, format, copy, line, sizeof line, &prefix);
    va_end(copy);
    qCDebug(lcImaging).noquote() << "libav:" << QString::fromUtf8(line).trimmed();
}

} // namespace

void AvLog::routeToCategory()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(&forward); });
}

QString AvLog::reason(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}
