#include "ImageTypes.h"

namespace {

struct TypeInfo {
    const char* type;
    const char* format;
    const char* extension;
    const char* mime;
};

constexpr TypeInfo Types[] = {
    {"public.jpeg", "jpeg", "jpeg", "image/jpeg"},
    {"com.compuserve.gif", "gif", "gif", "image/gif"},
    {"public.png", "png", "png", "image/png"},
    {"public.jpeg-2000", "jp2", "jp2", "image/jp2"},
    {"com.adobe.pdf", "pdf", "pdf", "application/pdf"},
    {"public.tiff", "tiff", "tiff", "image/tiff"},
    {"com.microsoft.bmp", "bmp", "bmp", "image/bmp"},
    {"org.webmproject.webp", "webp", "webp", "image/webp"},
    {"com.microsoft.ico", "ico", "ico", "image/vnd.microsoft.icon"},
};

const TypeInfo* infoForType(const QString& type)
{
    for (const TypeInfo& info : Types)
        if (type == QLatin1String(info.type))
            return &info;
    return nullptr;
}

} // namespace

QString ImageTypes::typeForFormat(const QByteArray& format)
{
    for (const TypeInfo& info : Types)
        if (format == info.format)
            return QString::fromLatin1(info.type);
    return {};
}

QByteArray ImageTypes::qtFormat(const QString& type)
{
    const TypeInfo* info = infoForType(type);
    return info ? QByteArray(info->format) : QByteArray();
}

QString ImageTypes::extension(const QString& type)
{
    const TypeInfo* info = infoForType(type);
    return info ? QString::fromLatin1(info->extension) : QString();
}

QString ImageTypes::mimeType(const QString& type)
{
    const TypeInfo* info = infoForType(type);
    return info ? QString::fromLatin1(info->mime) : QString();
}
