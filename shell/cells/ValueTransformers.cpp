#include "ValueTransformers.h"

#include <QFont>
#include <QFontInfo>
#include <QTextDocumentFragment>

QString fontDisplayName(const QString& fontName)
{
    QFont font(fontName, 12);
    const QFontInfo info(font);
    const QString style = info.styleName();
    if (style.isEmpty() || style.compare(QLatin1String("Regular"), Qt::CaseInsensitive) == 0)
        return info.family();
    return info.family() + QLatin1Char(' ') + style;
}

QVariant attributedFromString(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return {};
    return QVariant::fromValue(QTextDocumentFragment::fromPlainText(value.toString()));
}

QVariant stringFromAttributed(const QVariant& value)
{
    if (value.metaType() != QMetaType::fromType<QTextDocumentFragment>())
        return {};
    return value.value<QTextDocumentFragment>().toPlainText();
}
