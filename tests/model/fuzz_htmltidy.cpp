// Feeds HTML Tidy what a hostile server could send in a post body, shaped so that
// short inputs reach the nesting and size bounds: the input is a head, a piece
// repeated up to a few thousand times, and a tail. Tidy must never crash (a stack
// overflow is what the nesting bound exists for), HTML taken unchecked must say
// so and stay as it is, and pretty-printing must stay within its cap.
#include "HtmlTidy.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Keeps each run quick: Tidy's time grows faster than the text (an inline
// element left open is opened again in every block after it), and 16 KiB
// reach every bound but the size bound, which no repeat of short inputs could.
constexpr qsizetype largestDocument = 16 * 1024;

QString documentFrom(const uint8_t* data, size_t size)
{
    if (size < 2)
        return {};
    const int repeats = 1 + ((data[0] | (data[1] << 8)) % 4096);
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2)).split('\x01');
    const QByteArray head = parts.value(0);
    const QByteArray piece = parts.value(1);
    const QByteArray tail = parts.value(2);
    const qsizetype room = largestDocument - head.size() - tail.size();
    const qsizetype times = piece.isEmpty() ? 0 : std::min<qsizetype>(repeats, room / piece.size());
    return QString::fromUtf8(head + piece.repeated(std::max<qsizetype>(0, times)) + tail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString html = documentFrom(data, size);

    const HtmlTidy::Validation validation = HtmlTidy::validate(html);
    if (!validation.checked && (!validation.valid || validation.report.isEmpty()))
        std::abort(); // unchecked HTML is taken as it is, and the report says why

    const QString pretty = HtmlTidy::prettyPrint(html);
    if (pretty.size() > 4 * html.size() + 64 * 1024)
        std::abort();
    if (!validation.checked && pretty != html)
        std::abort(); // what is not checked is not rewritten either
    return 0;
}
