#include "RSD.h"

#include "HTMLTagScanner.h"
#include "TextDecoding.h"

#include <QCoreApplication>

RSD RSD::fromData(const QByteArray& data)
{
    return RSD(URLUtilities::textFromData(data));
}

bool RSD::parseRSD()
{
    const QString& rsd = text();
    if (rsd.isEmpty()) {
        setErrorString(QCoreApplication::translate("GenericParser", "There is no data to parse."));
        return false;
    }
    if (!rsd.contains(QLatin1StringView("<api"), Qt::CaseInsensitive)) {
        setErrorString(QCoreApplication::translate("RSD", "This is not an RSD file."));
        return false;
    }
    parseString(QLatin1StringView("engineName"));
    parseString(QLatin1StringView("engineLink"));

    QVariantList apis;
    const qsizetype list = rsd.indexOf(QLatin1StringView("<apis"), 0, Qt::CaseInsensitive);
    if (list >= 0) {
        qsizetype from = list + 5;
        while (const auto api = HTMLTagScanner::findTag(rsd, u"api", from)) {
            if (!api->attributes.isEmpty())
                apis.append(api->attributes);
            from = api->end;
        }
    }
    m_parsedDictionary.insert(QStringLiteral("apis"), apis);
    if (apis.isEmpty()) {
        setErrorString(QCoreApplication::translate(
            "RSD", "There were no supported APIs listed in this RSD file."));
        return false;
    }
    return true;
}

void RSD::parseString(QLatin1StringView elementName)
{
    const QString& rsd = text();
    const QString open = QStringLiteral("<") + elementName;
    const qsizetype start = rsd.indexOf(open, 0, Qt::CaseInsensitive);
    if (start < 0)
        return;
    const qsizetype contentStart = rsd.indexOf(u'>', start + open.size());
    if (contentStart < 0)
        return;
    const qsizetype end =
        rsd.indexOf(QStringLiteral("</") + elementName, contentStart, Qt::CaseInsensitive);
    if (end < 0)
        return;
    m_parsedDictionary.insert(QString(elementName).toLower(),
                              HTMLTagScanner::decodeReferences(
                                  QStringView(rsd).mid(contentStart + 1, end - contentStart - 1)));
}
