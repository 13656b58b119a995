// Feeds arbitrary bytes to the preferences as the file "plumet.conf" (a
// hand-edited or damaged one). Reading any key through any typed getter must
// never crash; storing a value read back from the file must keep it, and must
// leave every other key as the file had it.
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimeZone>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Values compared as stored: NaN components of a colour are no change, nor
// is a hand-written list of texts ("a, b") coming back as a list of values.
bool same(const QVariant& a, const QVariant& b)
{
    if (a.metaType() == QMetaType::fromType<rv::Color>() && a.metaType() == b.metaType())
        return a.value<rv::Color>().toQColor() == b.value<rv::Color>().toQColor();
    const auto isList = [](const QVariant& v) {
        return v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList;
    };
    if (isList(a) && isList(b) && a.typeId() != b.typeId()) {
        const QVariantList left = a.toList();
        const QVariantList right = b.toList();
        return left.size() == right.size() &&
               std::equal(left.begin(), left.end(), right.begin(), same);
    }
    return a == b;
}

// The kinds of value the preferences keep (a damaged file can name any type
// Qt knows, such as a font, whose odd fields Qt itself does not keep).
bool storable(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QByteArray:
        return true;
    case QMetaType::QDateTime: {
        // A date in a zone that does not exist is written back as no date.
        const QDateTime date = value.toDateTime();
        return date.timeSpec() != Qt::TimeZone || date.timeZone().isValid();
    }
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        return std::all_of(list.begin(), list.end(), storable);
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        return std::all_of(map.begin(), map.end(), storable);
    }
    default:
        return value.metaType() == QMetaType::fromType<rv::Color>();
    }
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

// A stored list tells how many elements it holds, and Qt reserves room for
// them before reading one: a damaged count asks for gigabytes. The program's
// allocator hands out such room untouched or answers no, and Qt reads on
// either way (the list simply ends where the bytes do). Here, too, a request
// past a gigabyte is answered no rather than taken for a failure.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static std::vector<char*> arguments(*argv, *argv + *argc);
    static char noMallocLimit[] = "-malloc_limit_mb=1048576";
    arguments.insert(arguments.begin() + 1, noMallocLimit);
    arguments.push_back(nullptr);
    *argc = int(arguments.size()) - 1;
    *argv = arguments.data();
    return 0;
}

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
    // Keys as the program asks for them: a section without a name lists its
    // keys with a leading "/", which QSettings drops again when asked.
    QStringList keys = QSettings(path, QSettings::IniFormat).allKeys();
    keys.removeIf([](const QString& key) {
        return key.startsWith(u'/') || key.endsWith(u'/') || key.contains(QLatin1String("//"));
    });
    keys = keys.mid(0, 32);
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
    if (!value.isValid() || !storable(value))
        return 0;
    defaults.setValue(changed, value);
    UserDefaults reread(copied(path, serial));
    reread.registerDefaults(factory);
    for (const QString& key : keys) {
        if (storable(read.value(key)))
            check(same(reread.value(key), read.value(key)));
    }
    return 0;
}
