// Reads the structure of an XML-RPC answer, as it streams in, into its value tree.
#include "XMLRPCValueReader.h"

#include "StringEncoding.h"
#include "XmlRpcMemberNames.h"
#include "XmlRpcScalarDecoder.h"
#include "XmlRpcText.h"

#include <QCoreApplication>
#include <array>
#include <cstring>
#include <expat.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using XmlRpcText::contentText;
using XmlRpcText::isPlainContent;

enum class Kind : quint8 {
    Response,
    Params,
    Param,
    Fault,
    Value,
    Array,
    Data,
    Struct,
    Member,
    Name,
    Scalar,
};

using Scalar = XmlRpcScalarDecoder::Type;

// One open element whose content matters. Which fields are used depends on the kind.
struct Frame {
    Frame(Kind kind, Scalar scalar) : kind(kind), scalar(scalar) {}

    Kind kind;
    Scalar scalar;
    // Value: its type element has begun. Member: it has a name. Fault: it has
    // a value. Array: it has data.
    bool seen = false;
    bool hasContent = false; // Value: anything at all inside it
    // Value, Name, Scalar: where the text begins and (once the element ends)
    // where it ends in the document, unless it comes piecewise.
    bool piecewise = false;
    qsizetype textStart = 0;
    qsizetype textEnd = 0;
    QVariant value;    // Value, Param, Params, Fault, Member
    QVariantList list; // Array, Data
    QVariantMap map;   // Struct
    QString name;      // Member
};

struct TypeName {
    const char* name;
    Kind kind;
    Scalar scalar;
};

constexpr std::array typeNames{
    TypeName{"string", Kind::Scalar, Scalar::String},
    TypeName{"struct", Kind::Struct, Scalar::String},
    TypeName{"array", Kind::Array, Scalar::String},
    TypeName{"int", Kind::Scalar, Scalar::Int},
    TypeName{"i4", Kind::Scalar, Scalar::Int},
    TypeName{"boolean", Kind::Scalar, Scalar::Boolean},
    TypeName{"dateTime.iso8601", Kind::Scalar, Scalar::Date},
    TypeName{"double", Kind::Scalar, Scalar::Double},
    TypeName{"base64", Kind::Scalar, Scalar::Base64},
    TypeName{"i8", Kind::Scalar, Scalar::Int64},
    TypeName{"ex:i8", Kind::Scalar, Scalar::Int64},
};

bool is(const char* name, const char* expected)
{
    return std::strcmp(name, expected) == 0;
}

using ParserHandle = std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)>;

class Builder {
public:
    explicit Builder(XML_Parser parser) : m_parser(parser)
    {
        if (!parser)
            return;
        m_stack.reserve(XMLRPCValueReader::maxDepth);
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Builder::onStart, &Builder::onEnd);
        XML_SetStartCdataSectionHandler(parser, &Builder::onCData);
        XML_SetCommentHandler(parser, &Builder::onComment);
        XML_SetProcessingInstructionHandler(parser, &Builder::onInstruction);
        XML_SetSkippedEntityHandler(parser, &Builder::onSkippedEntity);
        XML_SetStartDoctypeDeclHandler(parser, &Builder::onDoctype);
        XML_SetEntityDeclHandler(parser, &Builder::onEntityDeclaration);
        // Behaving as if an external DTD might declare them hands undeclared
        // entities to onSkippedEntity instead of failing; no DTD is ever read.
        XML_UseForeignDTD(parser, XML_TRUE);
    }

    // The bytes the coming events may point into: what has been fed of the
    // document from offset `base` on.
    void setWindow(QByteArrayView window, qsizetype base)
    {
        m_window = window;
        m_windowBase = base;
    }
    // Where the text the reader may still take from the document begins, or
    // -1 when no earlier byte is needed again.
    qsizetype retainFrom() const
    {
        if (m_stack.empty())
            return -1;
        const Frame& top = m_stack.back();
        const bool textKind = top.kind == Kind::Name || top.kind == Kind::Scalar ||
                              (top.kind == Kind::Value && !top.seen);
        return textKind && !top.piecewise ? top.textStart : -1;
    }

    bool finished() const { return m_finished; }
    bool refusedDTD() const { return m_refusedDTD; }
    bool tooDeep() const { return m_tooDeepAtLine > 0; }
    unsigned long tooDeepAtLine() const { return m_tooDeepAtLine; }

    XMLRPCValueReader::Answer answer() const { return m_answer; }
    QVariant takeValue() { return std::move(m_value); }

private:
    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char**)
    {
        static_cast<Builder*>(self)->start(name);
    }
    static void XMLCALL onEnd(void* self, const XML_Char*) { static_cast<Builder*>(self)->end(); }
    static void XMLCALL onText(void* self, const XML_Char* text, int length)
    {
        auto* builder = static_cast<Builder*>(self);
        if (builder->collector())
            builder->m_text.append(text, size_t(length));
    }
    static void XMLCALL onCData(void* self)
    {
        auto* builder = static_cast<Builder*>(self);
        builder->markupInText();
        builder->collector();
    }
    static void XMLCALL onComment(void* self, const XML_Char*)
    {
        static_cast<Builder*>(self)->markupInText();
    }
    static void XMLCALL onInstruction(void* self, const XML_Char*, const XML_Char*)
    {
        static_cast<Builder*>(self)->markupInText();
    }
    static void XMLCALL onSkippedEntity(void* self, const XML_Char* name, int isParameterEntity)
    {
        auto* builder = static_cast<Builder*>(self);
        if (isParameterEntity || !builder->m_textHandler || !builder->collector())
            return;
        const QString entity = QString::fromUtf8(name);
        const QString resolved = rv::convertSingleEntity(entity);
        if (resolved == entity)
            builder->m_text.append("&").append(name).append(";");
        else
            builder->m_text.append(resolved.toStdString());
    }
    static void XMLCALL onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int)
    {
        static_cast<Builder*>(self)->refuseDTD();
    }
    static void XMLCALL onEntityDeclaration(void* self, const XML_Char*, int, const XML_Char*, int,
                                            const XML_Char*, const XML_Char*, const XML_Char*,
                                            const XML_Char*)
    {
        static_cast<Builder*>(self)->refuseDTD();
    }

    void refuseDTD()
    {
        m_refusedDTD = true;
        XML_StopParser(m_parser, XML_FALSE);
    }

    // Where the current event begins, and where it ends, in the document.
    qsizetype eventStart() const { return qsizetype(XML_GetCurrentByteIndex(m_parser)); }
    qsizetype eventEnd() const { return eventStart() + XML_GetCurrentByteCount(m_parser); }

    // The open frame whose text the content now arriving would be, or
    // nullptr when that content does not count.
    Frame* textFrame()
    {
        if (m_ignored > 0 || m_stack.empty())
            return nullptr;
        Frame& top = m_stack.back();
        switch (top.kind) {
        case Kind::Name:
        case Kind::Scalar:
            return &top;
        case Kind::Value:
            return top.seen ? nullptr : &top;
        default:
            return nullptr;
        }
    }

    // The frame that keeps the text now arriving through the handlers, or
    // nullptr when the text does not count. Marks an untyped value as having
    // content.
    Frame* collector()
    {
        Frame* frame = textFrame();
        if (frame && frame->kind == Kind::Value)
            frame->hasContent = true;
        return frame;
    }

    // Text is read from the document itself once its element ends, which
    // costs expat no call per piece; only an element whose text holds markup
    // (an element, a comment, a CDATA section, a processing instruction) has
    // the rest of its text handed over piece by piece from there on.
    void markupInText()
    {
        Frame* frame = textFrame();
        if (!frame || frame->piecewise)
            return;
        const QByteArrayView before = content(frame->textStart, eventStart());
        if (frame->kind == Kind::Value && !before.isEmpty())
            frame->hasContent = true;
        m_text = isPlainContent(before) ? std::string(before.data(), size_t(before.size()))
                                        : contentText(before).toStdString();
        frame->piecewise = true;
        followText();
    }

    // The character data handler is there only while the innermost frame
    // takes its text piece by piece.
    void followText()
    {
        const bool wanted = !m_stack.empty() && m_stack.back().piecewise;
        if (wanted != m_textHandler) {
            XML_SetCharacterDataHandler(m_parser, wanted ? &Builder::onText : nullptr);
            m_textHandler = wanted;
        }
    }

    QByteArrayView content(qsizetype from, qsizetype to) const
    {
        return to > from ? m_window.sliced(from - m_windowBase, to - from) : QByteArrayView();
    }

    void push(Kind kind, Scalar scalar = Scalar::String)
    {
        Frame& frame = m_stack.emplace_back(kind, scalar);
        if (kind == Kind::Value || kind == Kind::Name || kind == Kind::Scalar)
            frame.textStart = eventEnd();
        followText();
    }

    void start(const char* name)
    {
        if (++m_depth > XMLRPCValueReader::maxDepth) {
            m_tooDeepAtLine = XML_GetCurrentLineNumber(m_parser);
            XML_StopParser(m_parser, XML_FALSE);
            return;
        }
        if (m_ignored > 0) {
            ++m_ignored;
            return;
        }
        if (m_stack.empty()) { // the root
            if (is(name, "methodResponse"))
                return push(Kind::Response);
            m_answer = XMLRPCValueReader::Answer::NotAResponse;
            ++m_ignored;
            return;
        }
        Frame& top = m_stack.back();
        switch (top.kind) {
        case Kind::Response:
            if (is(name, "params"))
                return push(Kind::Params);
            if (is(name, "fault"))
                return push(Kind::Fault);
            break;
        case Kind::Params:
            if (is(name, "param"))
                return push(Kind::Param);
            break;
        case Kind::Param:
        case Kind::Fault:
        case Kind::Data:
            if (is(name, "value"))
                return push(Kind::Value);
            break;
        case Kind::Array:
            if (is(name, "data"))
                return push(Kind::Data);
            break;
        case Kind::Struct:
            if (is(name, "member"))
                return push(Kind::Member);
            break;
        case Kind::Member:
            if (is(name, "name"))
                return push(Kind::Name);
            if (is(name, "value"))
                return push(Kind::Value);
            break;
        case Kind::Value:
            top.hasContent = true;
            if (top.seen)
                break; // only the first element of a value counts
            top.seen = true;
            for (const TypeName& type : typeNames) {
                if (is(name, type.name))
                    return push(type.kind, type.scalar);
            }
            top.value = QString::fromUtf8(name); // an unknown type (say <nil/>) reads as its name
            break;
        case Kind::Name:
        case Kind::Scalar:
            markupInText(); // the text goes on after this element
            break;
        }
        ++m_ignored;
    }

    void end()
    {
        if (m_ignored > 0) {
            --m_ignored;
        } else {
            Frame& frame = m_stack.back();
            if (!frame.piecewise)
                frame.textEnd = eventStart();
            close(frame, m_stack.size() > 1 ? &m_stack[m_stack.size() - 2] : nullptr);
            m_stack.pop_back();
            followText();
        }
        if (--m_depth == 0) { // the root is complete: what follows is junk
            m_finished = true;
            XML_StopParser(m_parser, XML_FALSE);
        }
    }

    // Hands what the closing frame holds to the frame around it.
    void close(Frame& frame, Frame* parent)
    {
        switch (frame.kind) {
        case Kind::Scalar:
            parent->value = scalarValue(frame);
            return;
        case Kind::Struct:
            parent->value = QVariant(std::move(frame.map));
            return;
        case Kind::Array:
            parent->value = frame.seen ? QVariant(std::move(frame.list)) : QVariant();
            return;
        case Kind::Data:
            parent->list = std::move(frame.list);
            parent->seen = true;
            return;
        case Kind::Name:
            if (frame.piecewise) {
                parent->name = m_memberNames.get(m_text);
            } else {
                const QByteArrayView raw = content(frame.textStart, frame.textEnd);
                parent->name =
                    isPlainContent(raw)
                        ? m_memberNames.get(std::string_view(raw.data(), size_t(raw.size())))
                        : m_memberNames.get(contentText(raw).toStdString());
            }
            parent->seen = true;
            return;
        case Kind::Value: {
            if (!frame.piecewise && frame.textEnd > frame.textStart)
                frame.hasContent = true;
            QVariant value = frame.seen         ? std::move(frame.value)
                             : frame.hasContent ? QVariant(text(frame))
                                                : QVariant();
            if (parent->kind == Kind::Data) {
                if (value.isValid())
                    parent->list.append(std::move(value));
            } else {
                parent->value = std::move(value);
                if (parent->kind == Kind::Fault)
                    parent->seen = true;
            }
            return;
        }
        case Kind::Member:
            if (frame.seen && !frame.name.isEmpty())
                parent->map.insert(std::move(frame.name), frame.value.isValid()
                                                              ? std::move(frame.value)
                                                              : QVariant(QStringLiteral("")));
            return;
        case Kind::Param:
            parent->value = std::move(frame.value);
            return;
        case Kind::Params:
            m_hasParams = true;
            m_paramsValue = std::move(frame.value);
            return;
        case Kind::Fault:
            m_faultHasValue = frame.seen;
            m_faultValue = std::move(frame.value);
            return;
        case Kind::Response:
            if (m_hasParams) {
                m_answer = XMLRPCValueReader::Answer::Params;
                m_value = std::move(m_paramsValue);
            } else if (m_faultHasValue) {
                m_answer = XMLRPCValueReader::Answer::Fault;
                m_value = std::move(m_faultValue);
            }
            return;
        }
    }

    // The text of a closing Value, Name or Scalar frame.
    QString text(const Frame& frame) const
    {
        if (frame.piecewise)
            return QString::fromUtf8(m_text.data(), qsizetype(m_text.size()));
        return contentText(content(frame.textStart, frame.textEnd));
    }

    QVariant scalarValue(const Frame& frame)
    {
        if (frame.scalar == Scalar::Base64) {
            if (!frame.piecewise) {
                const QByteArrayView raw = content(frame.textStart, frame.textEnd);
                return isPlainContent(raw) ? XmlRpcScalarDecoder::base64(raw)
                                           : XmlRpcScalarDecoder::base64(contentText(raw));
            }
            return XmlRpcScalarDecoder::base64(
                QByteArrayView(m_text.data(), qsizetype(m_text.size())));
        }
        return m_scalars.decode(frame.scalar, text(frame));
    }

    XML_Parser m_parser;
    // The document's bytes from m_windowBase on, as far as they have been fed.
    QByteArrayView m_window;
    qsizetype m_windowBase = 0;
    std::vector<Frame> m_stack;
    // The text of the innermost piecewise Value, Name or Scalar, as UTF-8.
    std::string m_text;
    bool m_textHandler = false; // the character data handler is set
    XmlRpcMemberNames m_memberNames;
    XmlRpcScalarDecoder m_scalars;
    int m_depth = 0;   // open elements
    int m_ignored = 0; // open elements inside one whose content does not count
    bool m_finished = false;
    bool m_refusedDTD = false;
    unsigned long m_tooDeepAtLine = 0;

    bool m_hasParams = false;
    QVariant m_paramsValue;
    bool m_faultHasValue = false;
    QVariant m_faultValue;
    XMLRPCValueReader::Answer m_answer = XMLRPCValueReader::Answer::None;
    QVariant m_value;
};

QString tr(const char* text)
{
    return QCoreApplication::translate("XMLRPCDecoder", text);
}

} // namespace

struct XMLRPCValueReader::State {
    State() : parser(XML_ParserCreate("UTF-8"), &XML_ParserFree), builder(parser.get()) {}

    ParserHandle parser;
    Builder builder;
    // The bytes of earlier pieces the builder may still read text from,
    // beginning at offset keptBase of the document.
    QByteArray kept;
    qsizetype keptBase = 0;
    qsizetype fed = 0; // bytes handed to expat so far
    bool stopped = false;
    bool ended = false;
};

XMLRPCValueReader::XMLRPCValueReader() : m_state(std::make_unique<State>()) {}

XMLRPCValueReader::~XMLRPCValueReader() = default;

bool XMLRPCValueReader::isDone() const
{
    return m_state->stopped || !m_state->parser;
}

void XMLRPCValueReader::feed(QByteArrayView bytes, bool last)
{
    State& s = *m_state;
    if (isDone() || s.ended)
        return;
    // expat takes lengths as int: a huge piece goes in slices.
    constexpr qsizetype slice = qsizetype(1) << 30;
    do {
        const QByteArrayView part = bytes.first(std::min(bytes.size(), slice));
        bytes = bytes.sliced(part.size());
        const bool final = last && bytes.isEmpty();
        // Text is read from the bytes themselves once its element ends: a
        // piece is read where it lies, and only the part of it an unfinished
        // text still needs is kept for the next.
        if (s.kept.isEmpty()) {
            s.builder.setWindow(part, s.fed);
        } else {
            s.kept.append(part);
            s.builder.setWindow(s.kept, s.keptBase);
        }
        const XML_Status status =
            XML_Parse(s.parser.get(), part.data(), int(part.size()), final ? XML_TRUE : XML_FALSE);
        const qsizetype windowStart = s.kept.isEmpty() ? s.fed : s.keptBase;
        s.fed += part.size();
        s.ended = final;
        if (status != XML_STATUS_OK)
            s.stopped = true;
        const qsizetype from = s.stopped || final ? -1 : s.builder.retainFrom();
        if (from < 0) {
            s.kept.clear();
        } else if (s.kept.isEmpty()) {
            s.kept = part.sliced(from - windowStart).toByteArray();
            s.keptBase = from;
        } else if (from > s.keptBase) {
            s.kept.remove(0, from - s.keptBase);
            s.keptBase = from;
        }
    } while (!bytes.isEmpty() && !s.stopped);
}

XMLRPCValueReader::Result XMLRPCValueReader::finish()
{
    State& s = *m_state;
    Result result;
    if (!s.parser) {
        result.error = tr("Out of memory.");
        return result;
    }
    if (!s.stopped && !s.ended) {
        s.builder.setWindow(s.kept, s.keptBase);
        if (XML_Parse(s.parser.get(), nullptr, 0, XML_TRUE) != XML_STATUS_OK)
            s.stopped = true;
        s.ended = true;
        s.kept.clear();
    }
    const Builder& builder = s.builder;
    if (builder.finished()) {
        result.ok = true;
        result.answer = builder.answer();
        result.value = s.builder.takeValue();
    } else if (builder.refusedDTD()) {
        result.refusedDTD = true;
        result.error = tr("The document declares a DTD.");
    } else if (builder.tooDeep()) {
        result.error =
            tr("Elements nested too deeply (line %1)").arg(qulonglong(builder.tooDeepAtLine()));
    } else {
        const XML_Error code = XML_GetErrorCode(s.parser.get());
        result.error = tr("%1 (line %2, position %3, code %4)")
                           .arg(QString::fromUtf8(XML_ErrorString(code)))
                           .arg(qulonglong(XML_GetCurrentLineNumber(s.parser.get())))
                           .arg(qulonglong(XML_GetCurrentColumnNumber(s.parser.get())))
                           .arg(int(code));
    }
    return result;
}

XMLRPCValueReader::Result XMLRPCValueReader::read(QByteArrayView document)
{
    XMLRPCValueReader reader;
    reader.feed(document, true);
    return reader.finish();
}
