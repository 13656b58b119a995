#include "Profile.h"

struct Profile::Data {
    Location location;
    quint32 classType = 0;
    quint32 spaceType = 0;
};

Profile::Profile() = default;
Profile::Profile(std::shared_ptr<Data> data) : d(std::move(data)) {}

bool Profile::isValid() const
{
    return d != nullptr;
}
QList<Profile> Profile::arrayOfAllProfiles()
{
    return {};
}
QList<Profile> Profile::arrayOfAllProfilesWithSpace(quint32)
{
    return {};
}
QStringList Profile::folderList()
{
    return {};
}
Profile Profile::profileDefaultRGB()
{
    return {};
}
Profile Profile::profileDefaultGray()
{
    return {};
}
Profile Profile::profileDefaultCMYK()
{
    return {};
}
Profile Profile::profileWithGenericRGB()
{
    return {};
}
Profile Profile::profileWithLinearRGB()
{
    return {};
}
Profile Profile::profileWithPath(const QString&)
{
    return {};
}
Profile Profile::profileWithData(const QByteArray&)
{
    return {};
}
Profile Profile::fromLocation(const Location&)
{
    return {};
}
void* Profile::ref() const
{
    return nullptr;
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
    return {};
}
QString Profile::path() const
{
    return {};
}
QColorSpace Profile::colorspace() const
{
    return {};
}
bool Profile::operator==(const Profile& other) const
{
    return path() == other.path();
}
QByteArray Profile::dataForCISoftproofTextureWithGridSize(int) const
{
    return {};
}
QString Profile::codeText(quint32 code)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += QChar(char((code >> shift) & 0xFF));
    return text;
}
