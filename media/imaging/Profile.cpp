#include "Profile.h"

#include "ImagingLog.h"
#include "UserDefaults.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <lcms2.h>
#include <vector>

namespace {

constexpr int HeaderSize = 128;
constexpr int MaxPathBytes = 255;

QByteArray savedProfile(cmsHPROFILE profile)
{
    QByteArray bytes;
    cmsUInt32Number size = 0;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(qsizetype(size));
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    if (profile)
        cmsCloseProfile(profile);
    return bytes;
}

void setDescription(cmsHPROFILE profile, const wchar_t* text)
{
    cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetWide(mlu, "en", "US", text);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, mlu);
    cmsMLUfree(mlu);
}

QByteArray genericRGBBytes()
{
    static const QByteArray bytes = [] {
        cmsHPROFILE profile = cmsCreate_sRGBProfile();
        if (profile)
            setDescription(profile, L"sRGB IEC61966-2.1");
        return savedProfile(profile);
    }();
    return bytes;
}

QByteArray linearRGBBytes()
{
    static const QByteArray bytes = [] {
        // sRGB's primaries and white with a straight tone curve.
        cmsCIExyY white;
        cmsWhitePointFromTemp(&white, 6504);
        const cmsCIExyYTRIPLE primaries = {
            {0.6400, 0.3300, 1.0}, {0.3000, 0.6000, 1.0}, {0.1500, 0.0600, 1.0}};
        cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
        cmsToneCurve* curves[3] = {linear, linear, linear};
        cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
        cmsFreeToneCurve(linear);
        if (profile)
            setDescription(profile, L"Linear RGB");
        return savedProfile(profile);
    }();
    return bytes;
}

// Class and space from an ICC header, or false when it is none.
bool readHeader(const QByteArray& header, quint32* classType, quint32* spaceType)
{
    if (header.size() < HeaderSize || header.mid(36, 4) != "acsp")
        return false;
    *classType = qFromBigEndian<quint32>(header.constData() + 12);
    *spaceType = qFromBigEndian<quint32>(header.constData() + 16);
    return true;
}

} // namespace

struct Profile::Data {
    Location location;
    quint32 classType = 0;
    quint32 spaceType = 0;

    QMutex mutex;
    bool opened = false;
    cmsHPROFILE ref = nullptr;
    bool described = false;
    QString description;

    ~Data()
    {
        if (ref)
            cmsCloseProfile(ref);
    }

    cmsHPROFILE open()
    {
        QMutexLocker lock(&mutex);
        if (!opened) {
            opened = true;
            if (location.kind == Location::Kind::Path)
                ref = cmsOpenProfileFromFile(QFile::encodeName(location.path).constData(), "r");
            else if (location.kind == Location::Kind::Memory)
                ref = cmsOpenProfileFromMem(location.data.constData(),
                                            cmsUInt32Number(location.data.size()));
        }
        return ref;
    }
};

Profile::Profile() = default;

Profile::Profile(std::shared_ptr<Data> data) : d(std::move(data)) {}

bool Profile::isValid() const
{
    return d != nullptr;
}

Profile Profile::fromLocation(const Location& location)
{
    QByteArray header;
    if (location.kind == Location::Kind::Path) {
        QFile file(location.path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        header = file.read(HeaderSize);
    } else if (location.kind == Location::Kind::Memory) {
        header = location.data.left(HeaderSize);
    }
    auto data = std::make_shared<Data>();
    if (!readHeader(header, &data->classType, &data->spaceType))
        return {};
    data->location = location;
    return Profile(std::move(data));
}

QStringList Profile::folderList()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return {QStringLiteral("/usr/share/color/icc"), QStringLiteral("/usr/local/share/color/icc"),
            dataHome + QStringLiteral("/icc"), QDir::homePath() + QStringLiteral("/.color/icc")};
}

QList<Profile> Profile::arrayOfAllProfiles()
{
    QList<Profile> result;
    for (const QString& folder : folderList()) {
        QStringList paths;
        QDirIterator it(folder, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths << it.next();
        std::sort(paths.begin(), paths.end());
        for (const QString& path : paths) {
            const Profile profile = profileWithPath(path);
            if (profile.isValid())
                result << profile;
        }
    }
    return result;
}

QList<Profile> Profile::arrayOfAllProfilesWithSpace(quint32 space)
{
    QList<Profile> result;
    for (const Profile& profile : arrayOfAllProfiles())
        if (profile.spaceType() == space &&
            (profile.classType() == ClassDisplay || profile.classType() == ClassOutput) &&
            !profile.description().isEmpty())
            result << profile;
    return result;
}

Profile Profile::profileDefaultRGB()
{
    return profileWithPath(
        UserDefaults::sharedInstance().string(QStringLiteral("DefaultRGBProfile")));
}

Profile Profile::profileDefaultGray()
{
    return profileWithPath(
        UserDefaults::sharedInstance().string(QStringLiteral("DefaultGrayProfile")));
}

Profile Profile::profileDefaultCMYK()
{
    return profileWithPath(
        UserDefaults::sharedInstance().string(QStringLiteral("DefaultCMYKProfile")));
}

Profile Profile::profileWithGenericRGB()
{
    static const Profile generic = profileWithData(genericRGBBytes());
    return generic;
}

Profile Profile::profileWithLinearRGB()
{
    static const Profile linear = profileWithData(linearRGBBytes());
    return linear;
}

Profile Profile::profileWithPath(const QString& path)
{
    if (path.isEmpty() || QFile::encodeName(path).size() > MaxPathBytes)
        return {};
    return fromLocation({Location::Kind::Path, path, {}});
}

Profile Profile::profileWithData(const QByteArray& iccBytes)
{
    if (iccBytes.isEmpty())
        return {};
    return fromLocation({Location::Kind::Memory, {}, iccBytes});
}

void* Profile::ref() const
{
    return d ? d->open() : nullptr;
}

Profile::Location Profile::location() const
{
    return d ? d->location : Location{};
}

quint32 Profile::classType() const
{
    return d ? d->classType : 0;
}

quint32 Profile::spaceType() const
{
    return d ? d->spaceType : 0;
}

QString Profile::description() const
{
    if (!d)
        return {};
    cmsHPROFILE profile = d->open();
    QMutexLocker lock(&d->mutex);
    if (!d->described && profile) {
        d->described = true;
        const cmsUInt32Number size =
            cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", nullptr, 0);
        if (size > 0) {
            std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, 0);
            cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", text.data(), size);
            d->description = QString::fromWCharArray(text.data()).trimmed();
        }
    }
    return d->description;
}

QString Profile::path() const
{
    return d && d->location.kind == Location::Kind::Path ? d->location.path : QString();
}

QColorSpace Profile::colorspace() const
{
    if (!d)
        return {};
    if (d->location.kind == Location::Kind::Memory)
        return QColorSpace::fromIccProfile(d->location.data);
    QFile file(d->location.path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QColorSpace::fromIccProfile(file.readAll());
}

bool Profile::operator==(const Profile& other) const
{
    if (d == other.d)
        return true;
    if (!d || !other.d)
        return false;
    if (d->location.kind == Location::Kind::Memory &&
        other.d->location.kind == Location::Kind::Memory)
        return d->location.data == other.d->location.data;
    return path() == other.path();
}

QByteArray Profile::dataForCISoftproofTextureWithGridSize(int n) const
{
    n = std::clamp(n, 2, 64);
    const qsizetype entries = qsizetype(n) * n * n;
    QByteArray result(entries * 4 * qsizetype(sizeof(float)), '\0');
    cmsHPROFILE target = static_cast<cmsHPROFILE>(ref());
    cmsHPROFILE linear = static_cast<cmsHPROFILE>(profileWithLinearRGB().ref());
    if (!target || !linear)
        return result;
    // Linear RGB as it would come out on this device: into it by the device's
    // own intent, back relative colorimetric.
    cmsHTRANSFORM transform = cmsCreateProofingTransform(
        linear, TYPE_RGB_FLT, linear, TYPE_RGB_FLT, target, cmsGetHeaderRenderingIntent(target),
        INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_SOFTPROOFING | cmsFLAGS_NOCACHE);
    if (!transform) {
        qCWarning(lcImaging).noquote()
            << QStringLiteral("No soft proof could be made for the profile \"%1\".")
                   .arg(description());
        return result;
    }
    std::vector<float> in(size_t(entries) * 3);
    std::vector<float> out(size_t(entries) * 3);
    size_t i = 0;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                in[i++] = float(r) / float(n - 1);
                in[i++] = float(g) / float(n - 1);
                in[i++] = float(b) / float(n - 1);
            }
    cmsDoTransform(transform, in.data(), out.data(), cmsUInt32Number(entries));
    cmsDeleteTransform(transform);
    auto* cube = reinterpret_cast<float*>(result.data());
    for (qsizetype e = 0; e < entries; ++e) {
        // Byte steps, as a texture of bytes would hold them.
        for (int c = 0; c < 3; ++c)
            cube[e * 4 + c] =
                float(std::lround(std::clamp(out[size_t(e) * 3 + c], 0.0f, 1.0f) * 255.0f)) /
                255.0f;
        cube[e * 4 + 3] = 1.0f;
    }
    return result;
}

QString Profile::codeText(quint32 code)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += QChar(char((code >> shift) & 0xFF));
    return text;
}
