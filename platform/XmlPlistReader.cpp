#include "XmlPlistReader.h"

#include "PlistValue.h"
#include "ReferenceDate.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>
#include <limits>

namespace {

class Parse {
public:
    explicit Parse(const QByteArray& bytes) : m_xml(bytes) {}

    QString problem;

    QVariant run()
    {
        if (!nextElement())
            return fail(QStringLiteral("there is no value"));
        QVariant value;
        if (m_xml.name() == QLatin1String("plist")) {
            if (!nextElement())
                return fail(QStringLiteral("the list holds no value"));
            value = element(0);
            if (!problem.isEmpty())
                return {};
            if (nextElement())
                return fail(QStringLiteral("the list holds more than one value"));
        } else {
            value = element(0);
        }
        if (!problem.isEmpty())
            return {};
        // The rest of the document must still be well-formed.
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (!checkToken())
                return {};
            if (m_xml.isStartElement())
                return fail(QStringLiteral("there is more than one value"));
        }
        if (m_xml.hasError())
            return fail(m_xml.errorString());
        return value;
    }

private:
    QXmlStreamReader m_xml;

    QVariant fail(const QString& text)
    {
        if (problem.isEmpty())
            problem = text;
        return {};
    }

    bool checkToken()
    {
        if (m_xml.tokenType() == QXmlStreamReader::DTD && !m_xml.entityDeclarations().isEmpty()) {
            fail(QStringLiteral("the document declares entities"));
            return false;
        }
        if (m_xml.tokenType() == QXmlStreamReader::EntityReference) {
            fail(QStringLiteral("the document uses an undeclared entity"));
            return false;
        }
        if (m_xml.hasError()) {
            fail(m_xml.errorString());
            return false;
        }
        return true;
    }

    // Moves to the next start element inside the current one; false at its end
    // (or on an error, with the problem set).
    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (!checkToken())
                return false;
            if (m_xml.isStartElement())
                return true;
            if (m_xml.isEndElement())
                return false;
            if (m_xml.isCharacters() && !m_xml.isWhitespace()) {
                fail(QStringLiteral("there is text between the values"));
                return false;
            }
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return false;
    }

    // The text of the current element, which may hold nothing else.
    std::optional<QString> text()
    {
        QString result;
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (!checkToken())
                return std::nullopt;
            if (m_xml.isCharacters()) {
                result += m_xml.text();
            } else if (m_xml.isEndElement()) {
                return result;
            } else if (m_xml.isStartElement()) {
                fail(QStringLiteral("a <%1> holds an element").arg(m_xml.name()));
                return std::nullopt;
            }
        }
        fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("the document ends early"));
        return std::nullopt;
    }

    bool emptyElement()
    {
        const std::optional<QString> content = text();
        if (!content)
            return false;
        if (!content->trimmed().isEmpty()) {
            fail(QStringLiteral("a true or false value holds text"));
            return false;
        }
        return true;
    }

    // The current element, at the given depth; the reader ends on its end tag.
    QVariant element(int depth)
    {
        if (depth > XmlPlistReader::MaxDepth)
            return fail(QStringLiteral("the values are nested too deeply"));
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict"))
            return dictionary(depth);
        if (name == QLatin1String("array"))
            return array(depth);
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            return emptyElement() ? QVariant(value) : QVariant();
        }
        const QString kind = name.toString();
        const std::optional<QString> content = text();
        if (!content)
            return {};
        if (kind == QLatin1String("string"))
            return *content;
        if (kind == QLatin1String("integer"))
            return integer(*content);
        if (kind == QLatin1String("real"))
            return real(*content);
        if (kind == QLatin1String("date"))
            return date(*content);
        if (kind == QLatin1String("data"))
            return data(*content);
        return fail(QStringLiteral("<%1> is not a property list value").arg(kind));
    }

    QVariant array(int depth)
    {
        QVariantList list;
        while (nextElement()) {
            QVariant item = element(depth + 1);
            if (!problem.isEmpty())
                return {};
            list.append(std::move(item));
        }
        if (!problem.isEmpty())
            return {};
        return list;
    }

    QVariant dictionary(int depth)
    {
        QVariantMap map;
        while (nextElement()) {
            if (m_xml.name() != QLatin1String("key"))
                return fail(QStringLiteral("a dictionary value has no key"));
            const std::optional<QString> key = text();
            if (!key)
                return {};
            if (!nextElement())
                return fail(QStringLiteral("the key \"%1\" has no value").arg(*key));
            QVariant item = element(depth + 1);
            if (!problem.isEmpty())
                return {};
            map.insert(*key, std::move(item));
        }
        if (!problem.isEmpty())
            return {};
        return plist::dictionaryOrUid(std::move(map));
    }

    QVariant integer(const QString& content)
    {
        QString digits = content.trimmed();
        bool negative = false;
        if (digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+'))) {
            negative = digits.startsWith(QLatin1Char('-'));
            digits.remove(0, 1);
        }
        int base = 10;
        if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            base = 16;
            digits.remove(0, 2);
        }
        bool ok = !digits.isEmpty() && !digits.startsWith(QLatin1Char('+')) &&
                  !digits.startsWith(QLatin1Char('-'));
        const qulonglong magnitude = ok ? digits.toULongLong(&ok, base) : 0;
        if (!ok)
            return fail(QStringLiteral("\"%1\" is not an integer").arg(content));
        const qulonglong limit =
            qulonglong(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
        if (magnitude > limit)
            return fail(QStringLiteral("the integer %1 is too large").arg(content.trimmed()));
        return QVariant(negative ? qint64(0 - magnitude) : qint64(magnitude));
    }

    QVariant real(const QString& content)
    {
        const QString trimmed = content.trimmed();
        bool ok = false;
        const double value = trimmed.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return fail(QStringLiteral("\"%1\" is not a finite number").arg(trimmed));
        return QVariant(value);
    }

    QVariant date(const QString& content)
    {
        static const QRegularExpression form(QStringLiteral(
            R"(^(-?\d{4,6})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:\.(\d{1,9}))?Z$)"));
        const QString trimmed = content.trimmed();
        const QRegularExpressionMatch match = form.match(trimmed);
        if (match.hasMatch()) {
            const QDate day(match.captured(1).toInt(), match.captured(2).toInt(),
                            match.captured(3).toInt());
            const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                             match.captured(6).toInt(),
                             match.captured(7).left(3).leftJustified(3, QLatin1Char('0')).toInt());
            const QDateTime when(day, time, Qt::UTC);
            // The same range the binary reader holds.
            if (when.isValid() &&
                dateFromReferenceSeconds(double(referenceDate().msecsTo(when)) / 1000.0))
                return QVariant(when);
        }
        return fail(QStringLiteral("\"%1\" is not a date that can be read").arg(trimmed));
    }

    QVariant data(const QString& content)
    {
        QByteArray base64;
        base64.reserve(content.size());
        for (QChar c : content) {
            if (!c.isSpace())
                base64.append(char(c.unicode() < 0x80 ? c.unicode() : '!'));
        }
        auto decoded =
            QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return fail(QStringLiteral("a data value is not valid Base64"));
        return QVariant(*decoded);
    }
};

} // namespace

QVariant XmlPlistReader::read(const QByteArray& bytes, QString* problem)
{
    Parse parse(bytes);
    QVariant value = parse.run();
    if (!parse.problem.isEmpty()) {
        if (problem)
            *problem = parse.problem;
        return {};
    }
    return value;
}
