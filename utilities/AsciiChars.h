// ASCII character classes for the HTML readers: letters, digits and hex
// digits as markup spells them, never the wider Unicode classes.
#pragma once

#include <QChar>

namespace rv {

inline bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

inline bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

inline bool isHexDigit(QChar c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

inline bool isAsciiAlnum(QChar c)
{
    return isAsciiLetter(c) || isAsciiDigit(c);
}

} // namespace rv
