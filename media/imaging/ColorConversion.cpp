#include "ColorConversion.h"

#include "Profile.h"

#include <QColorSpace>
#include <QtConcurrent/QtConcurrentMap>
#include <lcms2.h>
#include <vector>

QImage ColorConversion::toSRgb(const QImage& image, const QByteArray& iccProfile, QString* error)
{
    QImage result = image;
    const auto done = [&](const QString& reason = {}) {
        if (error)
            *error = reason;
        result.setColorSpace(QColorSpace(QColorSpace::SRgb));
        return result;
    };
    if (image.isNull() || iccProfile.isEmpty() || isSRgb(iccProfile))
        return done();
    const Profile source = Profile::profileWithData(iccProfile);
    if (!source.isValid() || !source.ref())
        return done(QStringLiteral("its colour profile could not be read"));
    if (source.spaceType() != Profile::SpaceRGB)
        return done(QStringLiteral("its colour profile is not an RGB profile"));
    const Profile srgb = Profile::profileWithGenericRGB();
    cmsUInt32Number type = TYPE_BGRA_8;
    if (image.format() == QImage::Format_ARGB32_Premultiplied)
        type = TYPE_BGRA_8_PREMUL;
    else if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        return done(QStringLiteral("its pixel format cannot be converted"));
    cmsHTRANSFORM transform = cmsCreateTransformTHR(
        nullptr, static_cast<cmsHPROFILE>(source.ref()), type, static_cast<cmsHPROFILE>(srgb.ref()),
        type, INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE);
    if (!transform)
        return done(QStringLiteral("its colour profile gives no conversion to sRGB"));
    result.detach();
    std::vector<int> rows(result.height());
    for (int y = 0; y < result.height(); ++y)
        rows[y] = y;
    // A transform without a cache may be shared by threads.
    QtConcurrent::blockingMap(rows, [&](int y) {
        uchar* line = result.scanLine(y);
        cmsDoTransform(transform, line, line, cmsUInt32Number(result.width()));
    });
    cmsDeleteTransform(transform);
    return done();
}

bool ColorConversion::isSRgb(const QByteArray& iccProfile)
{
    const QColorSpace space = QColorSpace::fromIccProfile(iccProfile);
    return space.isValid() && space == QColorSpace(QColorSpace::SRgb);
}
