#include "DateTransformer.h"

#include "DisplayStrings.h"

namespace DateTransformer {

QString transformedValue(const QVariant& value, const QLocale& locale, const QDateTime& now)
{
    if (value.typeId() != QMetaType::QDateTime && value.typeId() != QMetaType::QDate)
        return {};
    const QDateTime date = value.toDateTime();
    if (!date.isValid())
        return {};
    return cutils::commonDateStringWithRelative(date, locale, now);
}

} // namespace DateTransformer
