// Feeds arbitrary bytes to the preferences as the file "plumet.conf" (a
// hand-edited or damaged one). Reading any key through any typed getter must
// never crash; storing a value read back from the file must keep it, and must
// leave every other key as the file had it.
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Values compared as stored: NaN components of a colour are no change.
bool same(const QVariant& a, const QVariant& b)
{
    if (a.metaType() == QMetaType::fromType<rv::Color>() && a.metaType() == b.metaType())
        return a.value<rv::Color>().toQColor() == b.value<rv::Color>().toQColor();
    return a == b;
}

// Factory values of each kind the program registers, chosen by the key.
QVariant factoryFor(const QString& key)
{
    switch (qHash(key, 7) % 5) {
    case 0:
        return true;
    case 1:
        return 30;
    case 2:
        return 0.5;
    case 3:
        return QStringLiteral("text");
    default:
        return {};
    }
}

// A copy of the file under a new name: QSettings keeps what it read per name.
QString copied(const QString& path, int& serial)
{
    const QString copy = path + QStringLiteral(".") + QString::number(++serial);
    QFile::remove(copy);
    check(QFile::copy(path, copy));
    return copy;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_userdefaults";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir scratch;
    static int serial = 0;
    check(scratch.isValid());

    for (const QString& old : QDir(scratch.path()).entryList(QDir::Files))
        QFile::remove(scratch.filePath(old));
    const QString path = scratch.filePath(QStringLiteral("plumet.conf.%1").arg(++serial));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly));
        check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    const QStringList keys = QSettings(path, QSettings::IniFormat).allKeys().mid(0, 32);
    QVariantMap factory;
    for (const QString& key : keys)
        factory.insert(key, factoryFor(key));

    UserDefaults defaults(path);
    defaults.registerDefaults(factory);
    QVariantMap read;
    for (const QString& key : keys) {
        read.insert(key, defaults.value(key));
        defaults.string(key);
        defaults.integer(key);
        defaults.real(key);
        defaults.boolean(key);
        defaults.data(key);
        defaults.color(key, rv::Color(0, 0, 0, 1));
    }
    if (keys.isEmpty())
        return 0;

    // The first key stored again as it was read; the others untouched.
    const QString changed = keys.first();
    const QVariant value = read.value(changed);
    if (!value.isValid())
        return 0;
    defaults.setValue(changed, value);
    UserDefaults reread(copied(path, serial));
    reread.registerDefaults(factory);
    for (const QString& key : keys)
        check(same(reread.value(key), read.value(key)));
    return 0;
}
