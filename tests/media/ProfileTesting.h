#pragma once

#include <QByteArray>
#include <cstring>
#include <lcms2.h>

// Colour profiles made by lcms2 for the tests, as ICC bytes.
namespace plumet::test {

// Adobe RGB (1998) primaries (x, y of red, green, blue): a gamut wider than sRGB's.
inline constexpr cmsCIExyYTRIPLE widePrimaries = {
    {0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};

// The bytes of `profile`, described as `description` (no description tag
// when it is empty); the profile is closed.
inline QByteArray profileBytes(cmsHPROFILE profile, const char* description)
{
    if (std::strlen(description) > 0) {
        cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(mlu, "en", "US", description);
        cmsWriteTag(profile, cmsSigProfileDescriptionTag, mlu);
        cmsMLUfree(mlu);
    } else {
        cmsWriteTag(profile, cmsSigProfileDescriptionTag, nullptr);
    }
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// An RGB profile with the given primaries, D65 white and gamma 2.2.
inline QByteArray rgbProfile(const char* description, const cmsCIExyYTRIPLE& primaries,
                             cmsProfileClassSignature kind = cmsSigDisplayClass)
{
    cmsCIExyY white = {0.3127, 0.3290, 1.0};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    cmsSetDeviceClass(profile, kind);
    return profileBytes(profile, description);
}

// A grey profile of gamma 2.2 on D50 white.
inline QByteArray grayProfile(const char* description)
{
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
    cmsFreeToneCurve(gamma);
    return profileBytes(profile, description);
}

} // namespace plumet::test
