#include "ImageObject.h"
#include "Profile.h"
#include "ProfileTesting.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace plumet::test;

namespace {

// A small gamut: its red, green and blue are far from sRGB's.
const cmsCIExyYTRIPLE Narrow = {{0.45, 0.33, 1.0}, {0.32, 0.45, 1.0}, {0.22, 0.20, 1.0}};

bool put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The cube entry for grid point (r, g, b).
QVector<float> cubeAt(const QByteArray& cube, int n, int r, int g, int b)
{
    const auto* f = reinterpret_cast<const float*>(cube.constData());
    const qsizetype i = ((qsizetype(b) * n + g) * n + r) * 4;
    return {f[i], f[i + 1], f[i + 2], f[i + 3]};
}

} // namespace

class tst_Profile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fromPath();
    void refused_data();
    void refused();
    void builtInSpaces();
    void installedProfiles();
    void userDefaults();
    void softProofCube();
    void processorOffersAndKeepsCube();

private:
    QString m_userFolder;  // $XDG_DATA_HOME/icc
    QString m_olderFolder; // ~/.color/icc
};

void tst_Profile::initTestCase()
{
    // The test runs with a home of its own (plumet_add_test).
    QVERIFY(QDir::homePath().contains("test-home"));
    m_userFolder = qEnvironmentVariable("XDG_DATA_HOME") + "/icc";
    m_olderFolder = QDir::homePath() + "/.color/icc";
    QDir(m_userFolder).removeRecursively();
    QDir(m_olderFolder).removeRecursively();
    QVERIFY(put(m_userFolder + "/wide.icc", rgbProfile("Wide Test RGB", widePrimaries)));
    QVERIFY(put(m_userFolder + "/printers/narrow.icc",
                rgbProfile("Narrow Press", Narrow, cmsSigOutputClass)));
    QVERIFY(put(m_userFolder + "/scanner.icc",
                rgbProfile("Scanner RGB", widePrimaries, cmsSigInputClass)));
    QVERIFY(put(m_userFolder + "/nameless.icc", rgbProfile("", widePrimaries)));
    QVERIFY(put(m_userFolder + "/notes.txt", "not a profile\n"));
    QVERIFY(put(m_olderFolder + "/gray.icc", grayProfile("Test Gray")));
}

void tst_Profile::fromPath()
{
    const Profile profile = Profile::profileWithPath(m_userFolder + "/wide.icc");
    QVERIFY(profile.isValid());
    QCOMPARE(Profile::codeText(profile.classType()), QString("mntr"));
    QCOMPARE(Profile::codeText(profile.spaceType()), QString("RGB "));
    QCOMPARE(profile.description(), QString("Wide Test RGB"));
    QCOMPARE(profile.path(), m_userFolder + "/wide.icc");
    QVERIFY(profile.location().kind == Profile::Location::Kind::Path);
    QVERIFY(profile.ref() != nullptr);
    QVERIFY(profile.colorspace().isValid());
    QVERIFY(profile == Profile::profileWithPath(m_userFolder + "/wide.icc"));
    QVERIFY(profile != Profile::profileWithPath(m_olderFolder + "/gray.icc"));
}

void tst_Profile::refused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("no path") << QString();
    QTest::newRow("missing") << "/nonexistent/x.icc";
    QTest::newRow("not a profile") << "notes.txt";
    QTest::newRow("path over 255 bytes") << "/" + QString(300, 'a') + ".icc";
}

void tst_Profile::refused()
{
    QFETCH(QString, path);
    if (path == "notes.txt")
        path = m_userFolder + "/" + path;
    const Profile profile = Profile::profileWithPath(path);
    QVERIFY(!profile.isValid());
    QVERIFY(profile.ref() == nullptr);
    QVERIFY(profile.description().isEmpty());
    // Its cube is all zeros, of the full size.
    const QByteArray cube = profile.dataForCISoftproofTextureWithGridSize(4);
    QCOMPARE(cube.size(), 4 * 4 * 4 * 4 * qsizetype(sizeof(float)));
    QCOMPARE(cube, QByteArray(cube.size(), '\0'));
}

void tst_Profile::builtInSpaces()
{
    const Profile generic = Profile::profileWithGenericRGB();
    QVERIFY(generic.isValid());
    QVERIFY(generic.location().kind == Profile::Location::Kind::Memory);
    QCOMPARE(generic.classType(), Profile::ClassDisplay);
    QCOMPARE(generic.spaceType(), Profile::SpaceRGB);
    QVERIFY(generic.colorspace() == QColorSpace(QColorSpace::SRgb));

    const Profile linear = Profile::profileWithLinearRGB();
    QVERIFY(linear.isValid());
    QCOMPARE(linear.spaceType(), Profile::SpaceRGB);
    QCOMPARE(linear.colorspace().transferFunction(), QColorSpace::TransferFunction::Linear);
    QVERIFY(linear != generic);
}

void tst_Profile::installedProfiles()
{
    const QList<Profile> all = Profile::arrayOfAllProfiles();
    QStringList mine;
    for (const Profile& p : all)
        if (p.path().startsWith(QDir::homePath()))
            mine << QFileInfo(p.path()).fileName();
    // Folder by folder, by name within one; the text file is no profile.
    QCOMPARE(mine,
             (QStringList{"nameless.icc", "narrow.icc", "scanner.icc", "wide.icc", "gray.icc"}));

    QStringList rgb;
    for (const Profile& p : Profile::arrayOfAllProfilesWithSpace(Profile::SpaceRGB))
        if (p.path().startsWith(QDir::homePath()))
            rgb << p.description();
    // Display and output classes with a description only.
    QCOMPARE(rgb, (QStringList{"Narrow Press", "Wide Test RGB"}));
}

void tst_Profile::userDefaults()
{
    QVERIFY(!Profile::profileDefaultRGB().isValid());
    UserDefaults::sharedInstance().setValue("DefaultRGBProfile", m_userFolder + "/wide.icc");
    UserDefaults::sharedInstance().setValue("DefaultGrayProfile", m_olderFolder + "/gray.icc");
    QCOMPARE(Profile::profileDefaultRGB().description(), QString("Wide Test RGB"));
    QCOMPARE(Profile::profileDefaultGray().spaceType(), Profile::SpaceGray);
    QVERIFY(!Profile::profileDefaultCMYK().isValid());
    UserDefaults::sharedInstance().remove("DefaultRGBProfile");
    UserDefaults::sharedInstance().remove("DefaultGrayProfile");
}

void tst_Profile::softProofCube()
{
    constexpr int n = 17;
    const QByteArray srgb =
        Profile::profileWithGenericRGB().dataForCISoftproofTextureWithGridSize(n);
    QCOMPARE(srgb.size(), qsizetype(n) * n * n * 4 * qsizetype(sizeof(float)));
    // A device that shows all of linear RGB's in-gamut colours proofs them as they are.
    for (int k : {0, 4, 8, 16}) {
        const QVector<float> grey = cubeAt(srgb, n, k, k, k);
        for (int c = 0; c < 3; ++c)
            QVERIFY2(qAbs(grey[c] - k / float(n - 1)) < 0.02f,
                     qPrintable(QString::number(grey[c])));
        QCOMPARE(grey[3], 1.0f);
    }
    // A small-gamut press cannot print pure red: the proof shows it duller.
    const Profile narrow = Profile::profileWithPath(m_userFolder + "/printers/narrow.icc");
    const QByteArray proof = narrow.dataForCISoftproofTextureWithGridSize(n);
    const QVector<float> red = cubeAt(proof, n, n - 1, 0, 0);
    QVERIFY2(red[1] > 0.05f || red[2] > 0.05f || red[0] < 0.9f,
             qPrintable(QString("%1 %2 %3").arg(red[0]).arg(red[1]).arg(red[2])));
    const QVector<float> grey = cubeAt(proof, n, 8, 8, 8);
    QVERIFY(qAbs(grey[0] - grey[1]) < 0.03f && qAbs(grey[1] - grey[2]) < 0.03f);
    for (qsizetype i = 0; i < proof.size() / qsizetype(sizeof(float)); ++i) {
        const float v = reinterpret_cast<const float*>(proof.constData())[i];
        QVERIFY(v >= 0.0f && v <= 1.0f);
    }
}

void tst_Profile::processorOffersAndKeepsCube()
{
    ImageObject image;
    QStringList offered;
    for (const Profile& p : image.profiles())
        if (p.path().startsWith(QDir::homePath()))
            offered << p.description();
    QCOMPARE(offered, (QStringList{"Narrow Press", "Wide Test RGB", "Test Gray"}));
    QVERIFY(image.colorCube().isEmpty());
    image.setProfile(Profile::profileWithPath(m_userFolder + "/printers/narrow.icc"));
    QCOMPARE(image.colorCube().size(), 32 * 32 * 32 * 4 * qsizetype(sizeof(float)));
    QCOMPARE(image.profile().description(), QString("Narrow Press"));
    image.setProfile(Profile());
    QVERIFY(image.colorCube().isEmpty());
    QVERIFY(!image.profile().isValid());
}

QTEST_GUILESS_MAIN(tst_Profile)
#include "tst_profile.moc"
