#include "Localization.h"

#include <QCoreApplication>

QString localized(const char* table, const char* text)
{
    return QCoreApplication::translate(table, text);
}

QString localized(const char* table, const char* text, int count)
{
    return QCoreApplication::translate(table, text, nullptr, count);
}
