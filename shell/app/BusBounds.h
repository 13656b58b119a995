#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

class QDBusContext;

// What a call over the session bus may hand plumet. Another program can send
// anything, so every argument has a bound: what is over it is refused with
// the D-Bus error "org.freedesktop.DBus.Error.LimitsExceeded", whose message
// names the bound, and no work is done for it.
namespace BusBounds {

// A file path, in the bytes the file system sees (PATH_MAX).
constexpr qsizetype MaxPathBytes = 4096;
// An address; a bookmarklet's carries the quoted selection.
constexpr qsizetype MaxUrlLength = 2 * 1024 * 1024;
// The text of a new draft, in characters.
constexpr qsizetype MaxTextLength = 4 * 1024 * 1024;
// The fields of one item (a new draft's, an account's, an attachment's).
constexpr qsizetype MaxFields = 16;
// A field's name, in characters.
constexpr qsizetype MaxFieldNameLength = 64;
// One field of an account or attachment, in characters.
constexpr qsizetype MaxFieldLength = 4096;
// Requests taken and not yet acted on, and the characters they hold: past
// either, a request is refused until plumet has caught up.
constexpr qsizetype MaxWaitingRequests = 32;
constexpr qsizetype MaxWaitingCharacters = 8 * MaxTextLength;

// Why the argument is refused, or nothing when it is within its bound.
std::optional<QString> pathRefusal(const QString& path);
std::optional<QString> urlRefusal(const QString& url);
std::optional<QString> textRefusal(const QString& text);
// A map of text fields: at most MaxFields, names of at most
// MaxFieldNameLength, each value a text (or a number or truth value) of at
// most `maxEach` characters, all values together at most `maxTotal`.
std::optional<QString> fieldsRefusal(const QVariantMap& fields, qsizetype maxEach,
                                     qsizetype maxTotal);
// The characters the fields' values hold.
qsizetype fieldsLength(const QVariantMap& fields);

// Answers the call in `context` with the refusal (a call from C++ only logs
// it) and says it in the log, without the argument itself.
void refuse(QDBusContext& context, const QString& method, const QString& reason);

} // namespace BusBounds
