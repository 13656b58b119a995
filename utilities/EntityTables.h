#pragma once

#include <QHash>
#include <QString>

namespace rv {

// The character-reference tables shipped as resources of the library, loaded once
// (thread-safely) on first use. A table whose resource is missing stays empty.
class EntityTables {
public:
    static const EntityTables& sharedInstance();

    // Code point of an HTML 4 entity name ("eacute" -> 0xE9), or 0 when unknown.
    char32_t namedCodePoint(const QString& name) const { return m_named.value(name, 0); }
    // The code point a numeric reference stands for after the browsers' remap of
    // Windows-1252 values 128-159; other values are returned as they are.
    char32_t remapNumeric(char32_t value) const { return m_numeric.value(value, value); }

private:
    EntityTables();

    QHash<QString, char32_t> m_named;
    QHash<char32_t, char32_t> m_numeric;
};

} // namespace rv
