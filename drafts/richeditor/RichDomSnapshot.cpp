#include "RichDomSnapshot.h"

#include "RichMarkupReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool RichDomNode::is(QLatin1StringView elementName) const
{
    return kind == Kind::Element && name.compare(elementName, Qt::CaseInsensitive) == 0;
}

QString RichDomNode::attribute(QLatin1StringView attribute) const
{
    for (const auto& [key, value] : attributes) {
        if (key.compare(attribute, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

namespace {

// Deep enough for any real post; deeper nesting is a malformed snapshot, not
// a reason to exhaust the stack.
constexpr int MaximumDepth = 1000;

bool readNode(const QJsonValue& value, RichDomNode& node, int depth, QString& error)
{
    if (depth > MaximumDepth) {
        error = QStringLiteral("the content is nested too deeply");
        return false;
    }
    if (value.isString()) {
        node.kind = RichDomNode::Kind::Text;
        node.text = value.toString();
        return true;
    }
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.isEmpty() || !array.at(0).isString()) {
        error = QStringLiteral("a node is neither text nor an element");
        return false;
    }
    const QString name = array.at(0).toString();
    if (name == QLatin1String("#comment")) {
        node.kind = RichDomNode::Kind::Comment;
        node.text = array.at(1).toString();
        return true;
    }
    node.kind = RichDomNode::Kind::Element;
    node.name = name;
    const QJsonArray attributes = array.at(1).toArray();
    if (!array.at(1).isArray() || attributes.size() % 2 != 0) {
        error = QStringLiteral("the attributes of %1 are malformed").arg(name);
        return false;
    }
    node.attributes.reserve(attributes.size() / 2);
    for (qsizetype i = 0; i + 1 < attributes.size(); i += 2)
        node.attributes.append({attributes.at(i).toString(), attributes.at(i + 1).toString()});
    node.children.resize(array.size() - 2);
    for (qsizetype i = 2; i < array.size(); ++i) {
        if (!readNode(array.at(i), node.children[i - 2], depth + 1, error))
            return false;
    }
    return true;
}

std::optional<RichDomBoundary> readBoundary(const QJsonValue& value)
{
    const QJsonArray array = value.toArray();
    if (array.isEmpty())
        return std::nullopt;
    RichDomBoundary boundary;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const int number = array.at(i).toInt(-1);
        if (number < 0)
            return std::nullopt;
        if (i + 1 < array.size())
            boundary.path.append(number);
        else
            boundary.offset = number;
    }
    return boundary;
}

std::optional<RichDomSelection> readSelection(const QJsonObject& document)
{
    const QJsonObject selection = document.value(QLatin1String("selection")).toObject();
    const auto start = readBoundary(selection.value(QLatin1String("start")));
    const auto end = readBoundary(selection.value(QLatin1String("end")));
    if (start && end)
        return RichDomSelection{*start, *end};
    return std::nullopt;
}

QList<RichDomBoundary> readAuthorSpaces(const QJsonValue& value)
{
    QList<RichDomBoundary> spaces;
    const QJsonArray array = value.toArray();
    spaces.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (auto place = readBoundary(element))
            spaces.append(*place);
    }
    return spaces;
}

} // namespace

std::optional<RichDomSnapshot> RichDomSnapshot::fromJson(const QByteArray& json, QString* error)
{
    QString problem;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    RichDomSnapshot snapshot;
    if (parseError.error != QJsonParseError::NoError) {
        problem = parseError.errorString();
    } else if (document.isObject() && document.object().value(QLatin1String("html")).isString()) {
        snapshot.root.kind = RichDomNode::Kind::Element;
        snapshot.root.name = QStringLiteral("DIV");
        snapshot.markup = document.object().value(QLatin1String("html")).toString();
        snapshot.root.children = RichMarkupReader::read(snapshot.markup);
        snapshot.selection = readSelection(document.object());
        snapshot.authorSpaces =
            readAuthorSpaces(document.object().value(QLatin1String("authorSpaces")));
        return snapshot;
    } else if (!document.isObject() || !document.object().contains(QLatin1String("root"))) {
        problem = QStringLiteral("there is no content division");
    } else if (readNode(document.object().value(QLatin1String("root")), snapshot.root, 0,
                        problem)) {
        if (!snapshot.root.isElement()) {
            problem = QStringLiteral("the content division is not an element");
        } else {
            snapshot.selection = readSelection(document.object());
            snapshot.authorSpaces =
                readAuthorSpaces(document.object().value(QLatin1String("authorSpaces")));
            return snapshot;
        }
    }
    if (error)
        *error = problem;
    return std::nullopt;
}

std::optional<RichDomSnapshot> RichDomSnapshot::fromPageValue(const QVariantMap& value)
{
    const QVariant html = value.value(QStringLiteral("html"));
    if (html.typeId() != QMetaType::QString)
        return std::nullopt;
    RichDomSnapshot snapshot;
    snapshot.root.kind = RichDomNode::Kind::Element;
    snapshot.root.name = QStringLiteral("DIV");
    snapshot.markup = html.toString();
    snapshot.root.children = RichMarkupReader::read(snapshot.markup);
    snapshot.selection = readSelection(QJsonObject::fromVariantMap(
        {{QStringLiteral("selection"), value.value(QStringLiteral("selection"))}}));
    const QVariant spaces = value.value(QStringLiteral("authorSpaces"));
    if (spaces.isValid())
        snapshot.authorSpaces = readAuthorSpaces(QJsonValue::fromVariant(spaces));
    return snapshot;
}

const RichDomNode* RichDomSnapshot::container(const RichDomBoundary& boundary) const
{
    const RichDomNode* node = &root;
    for (const int index : boundary.path) {
        if (index < 0 || size_t(index) >= node->children.size())
            return nullptr;
        node = &node->children[size_t(index)];
    }
    return node;
}
