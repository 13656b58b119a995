#include "PropertyList.h"

#include "AtomicFile.h"
#include "BinaryPlistReader.h"
#include "BinaryPlistWriter.h"
#include "PlistValue.h"
#include "RegularFile.h"
#include "XmlPlistReader.h"
#include "XmlPlistWriter.h"

#include <limits>

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool looksBinary(const QByteArray& bytes)
{
    return bytes.startsWith("bplist00");
}

// The value, or nothing when it cannot be stored at all; containers keep what
// they can.
std::optional<QVariant> prune(const QVariant& value, const QString& path, int depth,
                              QStringList* leftOut)
{
    const auto refuse = [&](const QString& reason) -> std::optional<QVariant> {
        if (leftOut)
            leftOut->append(QStringLiteral("%1: %2").arg(path, reason));
        return std::nullopt;
    };
    if (depth > PropertyList::MaxDepth)
        return refuse(QStringLiteral("the values are nested too deeply"));
    QString problem;
    const std::optional<plist::Kind> kind = plist::kindOf(value, &problem);
    if (!kind)
        return refuse(problem);
    if (*kind == plist::Kind::Array) {
        const QVariantList list = value.toList();
        QVariantList kept;
        kept.reserve(list.size());
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (auto item =
                    prune(list[i], path + QStringLiteral("[%1]").arg(i), depth + 1, leftOut))
                kept.append(std::move(*item));
        }
        return QVariant(kept);
    }
    if (*kind == plist::Kind::Dictionary) {
        const QVariantMap map = plist::dictionaryOf(value);
        QVariantMap kept;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const QString inner = path.isEmpty() ? it.key() : path + QLatin1Char('.') + it.key();
            if (it.key().contains(QChar(0))) {
                refuse(QStringLiteral("a key contains a NUL character"));
                continue;
            }
            if (auto item = prune(it.value(), inner, depth + 1, leftOut))
                kept.insert(it.key(), std::move(*item));
        }
        return QVariant(kept);
    }
    return value;
}

} // namespace

QVariant PropertyList::read(const QByteArray& bytes, QString* error, qsizetype maxSize)
{
    if (bytes.isEmpty()) {
        setError(error, QStringLiteral("The property list is empty."));
        return {};
    }
    if (bytes.size() > maxSize || bytes.size() > std::numeric_limits<uint32_t>::max()) {
        setError(error, QStringLiteral("The property list is too large (%1 bytes, at most %2).")
                            .arg(bytes.size())
                            .arg(maxSize));
        return {};
    }
    QString problem;
    QVariant value = looksBinary(bytes) ? BinaryPlistReader::read(bytes, &problem)
                                        : XmlPlistReader::read(bytes, &problem);
    if (!value.isValid())
        setError(error, QStringLiteral("The property list is damaged: %1.").arg(problem));
    return value;
}

QByteArray PropertyList::write(const QVariant& value, Format format, QString* error)
{
    QString problem;
    QByteArray bytes = format == Format::Binary ? BinaryPlistWriter::write(value, &problem)
                                                : XmlPlistWriter::write(value, &problem);
    if (bytes.isEmpty())
        setError(error, QStringLiteral("The property list could not be made: %1.").arg(problem));
    return bytes;
}

QVariant PropertyList::readFile(const QString& path, QString* error, qsizetype maxSize)
{
    QString problem;
    const std::optional<QByteArray> bytes = RegularFile::read(path, maxSize, &problem);
    if (!bytes) {
        setError(error, problem);
        return {};
    }
    QVariant value = read(*bytes, &problem, maxSize);
    if (!value.isValid())
        setError(error, QStringLiteral("The file \"%1\" could not be read. %2").arg(path, problem));
    return value;
}

bool PropertyList::writeFile(const QString& path, const QVariant& value, Format format,
                             QString* error)
{
    const QByteArray bytes = write(value, format, error);
    if (bytes.isEmpty())
        return false;
    return AtomicFile::write(path, bytes, error);
}

QVariant PropertyList::storable(const QVariant& value, QStringList* leftOut)
{
    return prune(value, QString(), 0, leftOut).value_or(QVariant());
}
