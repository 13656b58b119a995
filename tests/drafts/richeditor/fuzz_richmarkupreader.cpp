// Feeds the rich editor's markup reader any text, as a hostile post could
// make the engine write it, and serializes the nodes as saving the post does.
// Neither may crash; the nodes, written back as the engine writes markup,
// must read as the same nodes; and a mapped selection must lie inside the
// HTML written.
//
// Input: the markup; or bytes, "\x01", the markup, where the bytes are the
// selection (the first half its start, the rest its end, each a child path
// and an offset) and also name a placeholder space of the post's own.
#include "RichHtmlSerializer.h"
#include "RichMarkupReader.h"

#include <QVariantList>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameName(const QString& name, const std::array<QLatin1StringView, 8>& names)
{
    for (const QLatin1StringView candidate : names) {
        if (name.compare(candidate, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Elements whose text the engine writes as it is.
bool holdsRawText(const QString& name)
{
    using namespace Qt::StringLiterals;
    static const std::array<QLatin1StringView, 8> names = {
        "script"_L1,  "style"_L1,    "xmp"_L1,      "iframe"_L1,
        "noembed"_L1, "noframes"_L1, "noscript"_L1, "plaintext"_L1};
    return sameName(name, names);
}

QString escaped(const QString& text, bool inValue)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c == u'<' && !inValue)
            out += QStringLiteral("&lt;");
        else if (c == u'>' && !inValue)
            out += QStringLiteral("&gt;");
        else if (c == u'"' && inValue)
            out += QStringLiteral("&quot;");
        else if (c == QChar(0xA0))
            out += QStringLiteral("&nbsp;");
        else
            out += c;
    }
    return out;
}

// The nodes as the engine writes them: every element closed (an end tag
// after a void element closes nothing), values in double quotes.
QString written(const std::vector<RichDomNode>& nodes, bool raw = false)
{
    QString out;
    for (const RichDomNode& node : nodes) {
        switch (node.kind) {
        case RichDomNode::Kind::Text:
            out += raw ? node.text : escaped(node.text, false);
            break;
        case RichDomNode::Kind::Comment:
            out += QStringLiteral("<!--") + node.text + QStringLiteral("-->");
            break;
        case RichDomNode::Kind::Element:
            out += u'<' + node.name;
            for (const auto& [name, value] : node.attributes)
                out += u' ' + name + QStringLiteral("=\"") + escaped(value, true) + u'"';
            out += u'>' + written(node.children, holdsRawText(node.name)) + QStringLiteral("</") +
                   node.name + u'>';
            break;
        }
    }
    return out;
}

bool same(const std::vector<RichDomNode>& a, const std::vector<RichDomNode>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].name != b[i].name || a[i].text != b[i].text ||
            a[i].attributes != b[i].attributes || !same(a[i].children, b[i].children))
            return false;
    }
    return true;
}

size_t depthOf(const std::vector<RichDomNode>& nodes)
{
    size_t deepest = 0;
    for (const RichDomNode& node : nodes)
        deepest = std::max(deepest, 1 + depthOf(node.children));
    return deepest;
}

QVariantList numbers(const QByteArray& bytes)
{
    QVariantList list;
    for (const char byte : bytes)
        list.append(int(uint8_t(byte) % 16));
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\x01');
    const QByteArray place = split < 0 ? QByteArray() : bytes.left(split);
    QVariantMap value{{QStringLiteral("html"), QString::fromUtf8(bytes.mid(split + 1))}};
    if (!place.isEmpty()) {
        const QByteArray start = place.left((place.size() + 1) / 2);
        const QByteArray end = place.mid(start.size());
        value.insert(QStringLiteral("selection"),
                     QVariantMap{{QStringLiteral("start"), numbers(start)},
                                 {QStringLiteral("end"), numbers(end.isEmpty() ? start : end)}});
        value.insert(QStringLiteral("authorSpaces"), QVariantList{numbers(start)});
    }

    const std::optional<RichDomSnapshot> snapshot = RichDomSnapshot::fromPageValue(value);
    check(snapshot.has_value());
    const std::vector<RichDomNode>& nodes = snapshot->root.children;
    // Past the reader's depth bound elements are written flat, and read so
    // again differently: the round trip holds below it.
    if (depthOf(nodes) < 900) {
        const QString again = written(nodes);
        check(same(RichMarkupReader::read(again), nodes));
    }

    const RichHtmlSerializer serializer(
        [](const QString& id) -> std::optional<RichHtmlSerializer::AttachmentText> {
            if (id.startsWith(u'K'))
                return RichHtmlSerializer::AttachmentText{id, id.endsWith(u't')};
            return std::nullopt;
        });
    const RichHtmlSerializer::Result result = serializer.serialize(*snapshot);
    if (result.selection.isFound())
        check(result.selection.location >= 0 && result.selection.length >= 0 &&
              result.selection.location + result.selection.length <= result.html.size());
    if (!nodes.empty())
        serializer.serialize(*snapshot, nodes.size() / 2, nodes.size() - nodes.size() / 2);
    return 0;
}
