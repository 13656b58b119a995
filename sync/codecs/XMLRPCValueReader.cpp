#include "XMLRPCValueReader.h"

#include "Base64Encoding.h"
#include "StringEncoding.h"
#include "XMLRPCDates.h"

#include <QCoreApplication>
#include <QLocale>
#include <array>
#include <cstring>
#include <expat.h>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Member names other parts of the program look up in lower case.
constexpr std::array<const char*, 29> foldedMemberNames{
    "description",
    "blogid",
    "blogName",
    "postid",
    "dateCreated",
    "userid",
    "url",
    "title",
    "link",
    "permaLink",
    "mt_excerpt",
    "mt_text_more",
    "mt_allow_comments",
    "mt_allow_pings",
    "mt_convert_breaks",
    "mt_keywords",
    "categoryId",
    "categoryName",
    "isPrimary",
    "key",
    "label",
    "category",
    "categories",
    "mt_tags",
    "author",
    "firstname",
    "lastname",
    "rssUrl",
    "htmlUrl",
};

// Member names as they will be stored, folded where asked. The same few names
// repeat in every struct of an answer: each is made once and shared.
class MemberNames {
public:
    QString get(std::string_view bytes)
    {
        for (const Known& known : m_known) {
            if (known.bytes == bytes)
                return known.name;
        }
        QString name = folded(bytes);
        if (m_known.size() < 64)
            m_known.push_back({std::string(bytes), name});
        return name;
    }

private:
    static QString folded(std::string_view bytes)
    {
        for (const char* known : foldedMemberNames) {
            if (bytes.size() == std::strlen(known) &&
                qstrnicmp(bytes.data(), qsizetype(bytes.size()), known) == 0)
                return QString::fromLatin1(known).toLower();
        }
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    }

    struct Known {
        std::string bytes;
        QString name;
    };
    std::vector<Known> m_known;
};

// The leading integer of the text ("42abc" is 42, "abc" is 0); saturates
// instead of wrapping.
qint64 leadingInteger(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QVariant integerValue(QStringView text)
{
    const qint64 value = leadingInteger(text);
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
        return int(value);
    return value;
}

QVariant realValue(QStringView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? value : double(leadingInteger(text));
}

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

enum class Scalar : quint8 { String, Int, Int64, Double, Boolean, Date, Base64 };

// One open element whose content matters. Which fields are used depends on the kind.
struct Frame {
    Frame(Kind kind, Scalar scalar) : kind(kind), scalar(scalar) {}

    Kind kind;
    Scalar scalar;
    // Value: its type element has begun. Member: it has a name. Fault: it has
    // a value. Array: it has data.
    bool seen = false;
    bool hasContent = false; // Value: anything at all inside it
    QVariant value;          // Value, Param, Params, Fault, Member
    QVariantList list;       // Array, Data
    QVariantMap map;         // Struct
    QString name;            // Member
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
        m_stack.reserve(XMLRPCValueReader::maxDepth);
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Builder::onStart, &Builder::onEnd);
        XML_SetCharacterDataHandler(parser, &Builder::onText);
        XML_SetStartCdataSectionHandler(parser, &Builder::onCData);
        XML_SetSkippedEntityHandler(parser, &Builder::onSkippedEntity);
        XML_SetStartDoctypeDeclHandler(parser, &Builder::onDoctype);
        XML_SetEntityDeclHandler(parser, &Builder::onEntityDeclaration);
        // Behaving as if an external DTD might declare them hands undeclared
        // entities to onSkippedEntity instead of failing; no DTD is ever read.
        XML_UseForeignDTD(parser, XML_TRUE);
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
            builder->m_text.append(text, length);
    }
    static void XMLCALL onCData(void* self) { static_cast<Builder*>(self)->collector(); }
    static void XMLCALL onSkippedEntity(void* self, const XML_Char* name, int isParameterEntity)
    {
        auto* builder = static_cast<Builder*>(self);
        if (isParameterEntity || !builder->collector())
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

    // The frame that keeps the text now arriving, or nullptr when the text
    // does not count. Marks an untyped value as having content.
    Frame* collector()
    {
        if (m_ignored > 0 || m_stack.empty())
            return nullptr;
        Frame& top = m_stack.back();
        switch (top.kind) {
        case Kind::Name:
        case Kind::Scalar:
            return &top;
        case Kind::Value:
            if (top.seen)
                return nullptr;
            top.hasContent = true;
            return &top;
        default:
            return nullptr;
        }
    }

    void push(Kind kind, Scalar scalar = Scalar::String)
    {
        m_stack.emplace_back(kind, scalar);
        if (kind == Kind::Value || kind == Kind::Name || kind == Kind::Scalar)
            m_text.clear();
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
            break;
        }
        ++m_ignored;
    }

    void end()
    {
        if (m_ignored > 0) {
            --m_ignored;
        } else {
            close(m_stack.back(), m_stack.size() > 1 ? &m_stack[m_stack.size() - 2] : nullptr);
            m_stack.pop_back();
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
            parent->value = scalarValue(frame.scalar);
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
            parent->name = m_memberNames.get(m_text);
            parent->seen = true;
            return;
        case Kind::Value: {
            QVariant value = frame.seen         ? std::move(frame.value)
                             : frame.hasContent ? QVariant(text())
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

    QString text() const { return QString::fromUtf8(m_text.data(), qsizetype(m_text.size())); }

    QVariant scalarValue(Scalar scalar)
    {
        if (scalar == Scalar::Base64)
            return rv::dataWithBase64EncodedString(
                QByteArrayView(m_text.data(), qsizetype(m_text.size())));
        const QString text = this->text();
        switch (scalar) {
        case Scalar::String:
            return text;
        case Scalar::Int:
            return integerValue(text);
        case Scalar::Int64:
            return leadingInteger(text);
        case Scalar::Double:
            return realValue(text);
        case Scalar::Boolean:
            return QStringView(text).trimmed() == u"1";
        case Scalar::Date: {
            if (!m_localZone)
                m_localZone = QTimeZone::systemTimeZone();
            const QDateTime date = parseXMLRPCDate(text, *m_localZone);
            return date.isValid() ? QVariant(date) : QVariant();
        }
        case Scalar::Base64:
            break;
        }
        return {};
    }

    XML_Parser m_parser;
    std::vector<Frame> m_stack;
    std::string m_text; // the direct text of the innermost Value, Name or Scalar, as UTF-8
    MemberNames m_memberNames;
    std::optional<QTimeZone> m_localZone; // made on the first date without a zone
    int m_depth = 0;                      // open elements
    int m_ignored = 0;                    // open elements inside one whose content does not count
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

XMLRPCValueReader::Result XMLRPCValueReader::read(std::initializer_list<QByteArrayView> pieces)
{
    Result result;
    const ParserHandle parser(XML_ParserCreate("UTF-8"), &XML_ParserFree);
    if (!parser) {
        result.error = tr("Out of memory.");
        return result;
    }
    Builder builder(parser.get());

    // expat takes lengths as int: a huge piece goes in slices.
    constexpr qsizetype slice = qsizetype(1) << 30;
    XML_Status status = XML_STATUS_OK;
    for (auto piece = pieces.begin(); piece != pieces.end() && status == XML_STATUS_OK; ++piece) {
        const bool lastPiece = piece + 1 == pieces.end();
        QByteArrayView rest = *piece;
        do {
            const QByteArrayView part = rest.first(std::min(rest.size(), slice));
            rest = rest.sliced(part.size());
            status = XML_Parse(parser.get(), part.data(), int(part.size()),
                               lastPiece && rest.isEmpty() ? XML_TRUE : XML_FALSE);
        } while (status == XML_STATUS_OK && !rest.isEmpty());
    }

    if (builder.finished()) {
        result.ok = true;
        result.answer = builder.answer();
        result.value = builder.takeValue();
    } else if (builder.refusedDTD()) {
        result.refusedDTD = true;
        result.error = tr("The document declares a DTD.");
    } else if (builder.tooDeep()) {
        result.error =
            tr("Elements nested too deeply (line %1)").arg(qulonglong(builder.tooDeepAtLine()));
    } else {
        const XML_Error code = XML_GetErrorCode(parser.get());
        result.error = tr("%1 (line %2, position %3, code %4)")
                           .arg(QString::fromUtf8(XML_ErrorString(code)))
                           .arg(qulonglong(XML_GetCurrentLineNumber(parser.get())))
                           .arg(qulonglong(XML_GetCurrentColumnNumber(parser.get())))
                           .arg(int(code));
    }
    return result;
}
