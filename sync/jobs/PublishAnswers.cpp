// What the server's answers to a publish put into its entry: the id of a new
// post, the address a new Atom post is at, and the copy read back.

#include "PublishAnswers.h"

#include "Entry.h"
#include "EntryServerMerge.h"
#include "RESTCall.h"

#include <QStringList>

namespace {

// A post id as servers send it: a text or a whole number.
bool isPostID(const QVariant& answer)
{
    switch (answer.typeId()) {
    case QMetaType::QString:
        return !answer.toString().trimmed().isEmpty();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

} // namespace

bool PublishAnswers::takePostID(const QVariant& answer)
{
    if (!isPostID(answer))
        return false;
    EntryServerMerge merge(m_entry);
    const bool taken = merge.processPostID(answer);
    note(merge.problem());
    return taken;
}

std::optional<QUrl> PublishAnswers::takeLocation(const RESTCall& call)
{
    QByteArray location = call.responseHeader("Location").trimmed();
    if (location.isEmpty())
        location = call.responseHeader("Content-Location").trimmed();
    if (location.isEmpty())
        return std::nullopt;
    const QUrl address = call.url().resolved(QUrl::fromEncoded(location));
    const QStringList parts = address.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    m_entry.setEditURI(address.toString());
    EntryServerMerge merge(m_entry);
    merge.processPostID(parts.isEmpty() ? address.toString() : parts.constLast());
    note(merge.problem());
    return address;
}

void PublishAnswers::mergeReadBack(const QVariantMap& copy)
{
    EntryServerMerge merge(m_entry);
    merge.compareWithXML(copy, EntryServerMerge::Copy::ReadBack);
    note(merge.problem());
    note(EntryServerMerge::notKeptSentence(merge.notKept()));
}

void PublishAnswers::note(const QString& problem)
{
    if (problem.isEmpty())
        return;
    m_problem = m_problem.isEmpty() ? problem : m_problem + QLatin1Char(' ') + problem;
}
