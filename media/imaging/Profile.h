#pragma once

#include <QByteArray>
#include <QColorSpace>
#include <QList>
#include <QMetaType>
#include <QString>
#include <memory>

// One colour profile (ICC) over LittleCMS 2: where it lives (a file or bytes in
// memory), its class and data colour space, its description. Profiles are
// values: copies share the open profile, which is opened on first use.
class Profile {
public:
    // Four-character codes as ICC headers store them.
    static constexpr quint32 ClassDisplay = 0x6D6E7472; // 'mntr'
    static constexpr quint32 ClassOutput = 0x70727472;  // 'prtr'
    static constexpr quint32 SpaceRGB = 0x52474220;     // 'RGB '
    static constexpr quint32 SpaceCMYK = 0x434D594B;    // 'CMYK'
    static constexpr quint32 SpaceGray = 0x47524159;    // 'GRAY'

    // Where the profile's bytes are.
    struct Location {
        enum class Kind { None, Path, Memory };
        Kind kind = Kind::None;
        QString path;    // for Path
        QByteArray data; // for Memory
    };

    // An invalid profile: no location, isValid() false.
    Profile();

    bool isValid() const;

    // Every readable profile of the profile folders (folderList()), in folder
    // order and by file name within a folder; unreadable files are skipped.
    static QList<Profile> arrayOfAllProfiles();
    // Those with the data colour space `space`, a description, and the class
    // display or output.
    static QList<Profile> arrayOfAllProfilesWithSpace(quint32 space);
    // The folders searched, in order: share/color/icc of the system and of
    // /usr/local, $XDG_DATA_HOME/icc (~/.local/share/icc), ~/.color/icc.
    static QStringList folderList();

    // profileWithPath() of the user defaults "DefaultRGBProfile",
    // "DefaultGrayProfile", "DefaultCMYKProfile"; invalid when unset.
    static Profile profileDefaultRGB();
    static Profile profileDefaultGray();
    static Profile profileDefaultCMYK();

    // sRGB, the generic RGB space images are rendered in (built in memory).
    static Profile profileWithGenericRGB();
    // An RGB profile with sRGB primaries and a linear (1.0) tone curve, in memory.
    static Profile profileWithLinearRGB();
    // The profile file at `path`; invalid when the path is empty, longer than
    // 255 bytes, or its header cannot be read.
    static Profile profileWithPath(const QString& path);
    // A profile held in memory (an embedded one); invalid when unreadable.
    static Profile profileWithData(const QByteArray& iccBytes);

    // The open LittleCMS profile (a cmsHPROFILE), nullptr when it cannot be opened.
    void* ref() const;
    Location location() const;
    quint32 classType() const;
    quint32 spaceType() const;
    // The profile's description, read on first use; empty when it has none.
    QString description() const;
    // The file's path for a file profile, else empty.
    QString path() const;
    // The profile as a Qt colour space (for images tagged with it); invalid
    // when Qt cannot represent it.
    QColorSpace colorspace() const;

    // Equal when their paths are equal (two memory profiles: when their bytes are).
    bool operator==(const Profile& other) const;
    bool operator!=(const Profile& other) const { return !(*this == other); }

    // The soft-proof colour cube: n³ RGBA entries of 32-bit floats (n³ × 16
    // bytes), red fastest, linear RGB through this profile and back. A failure
    // leaves zeros where nothing was filled. n is taken into 2–64.
    QByteArray dataForCISoftproofTextureWithGridSize(int n) const;

    // The four-character code as text ("mntr"), for messages and tests.
    static QString codeText(quint32 code);

private:
    struct Data;
    explicit Profile(std::shared_ptr<Data> data);
    static Profile fromLocation(const Location& location);
    std::shared_ptr<Data> d;
};

Q_DECLARE_METATYPE(Profile)
