// The struct member names of an XML-RPC answer as the program stores them.
#include "XmlRpcMemberNames.h"

#include <QByteArrayView>
#include <array>
#include <cstring>

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

} // namespace

QString XmlRpcMemberNames::get(std::string_view bytes)
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

QString XmlRpcMemberNames::folded(std::string_view bytes)
{
    for (const char* known : foldedMemberNames) {
        if (bytes.size() == std::strlen(known) &&
            qstrnicmp(bytes.data(), qsizetype(bytes.size()), known) == 0)
            return QString::fromLatin1(known).toLower();
    }
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}
