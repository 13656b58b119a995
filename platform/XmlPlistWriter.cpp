#include "XmlPlistWriter.h"

#include "PlistUid.h"
#include "PlistValue.h"
#include "ReferenceDate.h"

#include <charconv>
#include <cmath>

namespace {

using plist::Kind;

// Characters an XML 1.0 document cannot hold, even escaped.
bool xmlCanHold(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r')
            return false;
        if (unit == 0xFFFE || unit == 0xFFFF)
            return false;
        if (QChar::isHighSurrogate(unit)) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(unit)) {
            return false;
        }
    }
    return true;
}

class Writer {
public:
    QString error;
    QByteArray out;

    bool value(const QVariant& item, int depth)
    {
        if (depth > XmlPlistWriter::MaxDepth)
            return fail(QStringLiteral("the values are nested too deeply"));
        QString problem;
        const std::optional<Kind> kind = plist::kindOf(item, &problem);
        if (!kind)
            return fail(problem);
        switch (*kind) {
        case Kind::Boolean:
            line(depth, item.toBool() ? "<true/>" : "<false/>");
            return true;
        case Kind::Integer:
            line(depth, "<integer>" + QByteArray::number(plist::integerOf(item)) + "</integer>");
            return true;
        case Kind::Real: {
            // The shortest text that reads back as the same number.
            char buffer[64];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, item.toDouble());
            line(depth, "<real>" + QByteArray(buffer, result.ptr - buffer) + "</real>");
            return true;
        }
        case Kind::Date:
            line(depth, "<date>" + dateText(item.toDateTime()) + "</date>");
            return true;
        case Kind::Text:
            return text(depth, "string", item.toString());
        case Kind::Data:
            line(depth, "<data>" + item.toByteArray().toBase64() + "</data>");
            return true;
        case Kind::Uid:
            line(depth, "<dict>");
            line(depth + 1, "<key>CF$UID</key>");
            line(depth + 1,
                 "<integer>" + QByteArray::number(item.value<PlistUid>().value) + "</integer>");
            line(depth, "</dict>");
            return true;
        case Kind::Array: {
            const QVariantList list = item.toList();
            if (list.isEmpty()) {
                line(depth, "<array/>");
                return true;
            }
            line(depth, "<array>");
            for (const QVariant& child : list)
                if (!value(child, depth + 1))
                    return false;
            line(depth, "</array>");
            return true;
        }
        case Kind::Dictionary: {
            const QVariantMap map = plist::dictionaryOf(item);
            if (map.isEmpty()) {
                line(depth, "<dict/>");
                return true;
            }
            line(depth, "<dict>");
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                if (!text(depth + 1, "key", it.key()) || !value(it.value(), depth + 1))
                    return false;
            }
            line(depth, "</dict>");
            return true;
        }
        }
        return false;
    }

private:
    bool fail(const QString& text)
    {
        if (error.isEmpty())
            error = text;
        return false;
    }

    void line(int depth, const QByteArray& content)
    {
        out.append(depth, '\t');
        out.append(content);
        out.append('\n');
    }

    bool text(int depth, const char* element, const QString& content)
    {
        if (!xmlCanHold(content))
            return fail(QStringLiteral("a text holds a character XML cannot carry"));
        QString escaped = content;
        escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"))
            .replace(QLatin1Char('<'), QLatin1String("&lt;"))
            .replace(QLatin1Char('>'), QLatin1String("&gt;"));
        line(depth, QByteArray("<") + element + '>' + escaped.toUtf8() + "</" + element + '>');
        return true;
    }

    static QByteArray dateText(const QDateTime& date)
    {
        // Whole seconds, rounded down, so reading back never moves a date forward.
        const double seconds = std::floor(plist::dateSeconds(date));
        const QDateTime whole = referenceDate().addSecs(qint64(seconds));
        const QDate day = whole.date();
        const QTime time = whole.time();
        QByteArray year = QByteArray::number(std::abs(day.year())).rightJustified(4, '0');
        if (day.year() < 0)
            year.prepend('-');
        return year + QStringLiteral("-%1-%2T%3:%4:%5Z")
                          .arg(day.month(), 2, 10, QLatin1Char('0'))
                          .arg(day.day(), 2, 10, QLatin1Char('0'))
                          .arg(time.hour(), 2, 10, QLatin1Char('0'))
                          .arg(time.minute(), 2, 10, QLatin1Char('0'))
                          .arg(time.second(), 2, 10, QLatin1Char('0'))
                          .toLatin1();
    }
};

} // namespace

QByteArray XmlPlistWriter::write(const QVariant& value, QString* error)
{
    Writer writer;
    writer.out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                 "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                 "<plist version=\"1.0\">\n";
    if (!writer.value(value, 0)) {
        if (error)
            *error = writer.error;
        return {};
    }
    writer.out.append("</plist>\n");
    return writer.out;
}
