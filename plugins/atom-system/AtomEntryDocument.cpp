#include "AtomEntryDocument.h"

#include <QDateTime>

namespace {

constexpr auto HomePage = "https://plumet.org/";

QDateTime dateOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

} // namespace

QString atomEntryDocument(const QVariantMap& data,
                          const std::function<QString(const QString&)>& encoder)
{
    const auto escape = [&encoder](const QString& text) { return encoder ? encoder(text) : text; };

    QString xml;
    xml += QStringLiteral("<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n");
    xml += QStringLiteral("<entry xmlns='http://www.w3.org/2005/Atom' "
                          "xmlns:app='http://purl.org/atom/app#'>\n");
    xml += QStringLiteral("<generator url='%1'>plumet</generator>\n").arg(QLatin1String(HomePage));
    xml += QStringLiteral("<app:control>");
    xml += data.value(QStringLiteral("publish")).toBool()
               ? QStringLiteral("<app:draft>no</app:draft>")
               : QStringLiteral("<app:draft>yes</app:draft>");
    xml += QStringLiteral("</app:control>\n");

    const QString title = data.value(QStringLiteral("title")).toString();
    xml += QStringLiteral("<title type='html'>") +
           (title.isEmpty() ? QStringLiteral(" ") : escape(title)) + QStringLiteral("</title>\n");

    for (const QVariant& category : data.value(QStringLiteral("categories")).toList()) {
        const QString name =
            escape(category.toString()).replace(QLatin1Char('\''), QStringLiteral("&apos;"));
        xml += QStringLiteral("<category term='%1' label='%1' />\n").arg(name);
    }

    const QVariant dateValue = data.value(QStringLiteral("dateCreated"));
    if (dateValue.isValid() && !dateValue.isNull()) {
        const QDateTime date = dateOf(dateValue);
        if (date.isValid())
            xml += QStringLiteral("<updated>") +
                   date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")) +
                   QStringLiteral("</updated>\n");
    }

    xml += QStringLiteral("<content type='html'>") +
           escape(data.value(QStringLiteral("description")).toString()) +
           QStringLiteral("</content>\n");
    xml += QStringLiteral("</entry>");
    return xml;
}
