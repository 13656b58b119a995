#include "DraftRevisions.h"

#include "Account.h"
#include "Blog.h"
#include "DisplayStrings.h"
#include "DraftsLog.h"
#include "Entry.h"
#include "EntryFile.h"
#include "PropertyList.h"
#include "StringExtensions.h"
#include "SupportFolder.h"
#include "UnreadableFile.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace {

const QStringList comparedKeys{QStringLiteral("title"), QStringLiteral("body"),
                               QStringLiteral("extended"), QStringLiteral("summary")};

// A revision as stored: a dictionary whose compared values are texts.
bool isRevision(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap revision = value.toMap();
    for (const QString& key : comparedKeys) {
        const QVariant text = revision.value(key);
        if (text.isValid() && text.typeId() != QMetaType::QString)
            return false;
    }
    return true;
}

} // namespace

DraftRevisions::DraftRevisions(QObject* parent) : QObject(parent) {}

QString DraftRevisions::revisionPath(const Entry& entry)
{
    const Blog* blog = dynamic_cast<const Blog*>(entry.parentBlog());
    const Account* account = blog ? blog->account() : nullptr;
    if (!account || account->accountID().isEmpty() || entry.uniqueID().isEmpty())
        return {};
    const QString cache = cutils::applicationCacheFolder();
    if (cache.isEmpty())
        return {};
    QString folder = cache + u'/' + account->accountID();
    if (!cutils::verifyDirectory(folder))
        return {};
    folder += u'/' + rv::MD5(blog->uniqueID());
    if (!cutils::verifyDirectory(folder))
        return {};
    return folder + u'/' + rv::MD5(entry.uniqueID());
}

bool DraftRevisions::hasRevision(const QVariantList& list, const QVariantMap& revision)
{
    for (const QVariant& element : list) {
        const QVariantMap stored = element.toMap();
        bool equal = true;
        for (const QString& key : comparedKeys) {
            if (stored.value(key).toString() != revision.value(key).toString()) {
                equal = false;
                break;
            }
        }
        if (equal)
            return true;
    }
    return false;
}

QString DraftRevisions::menuTitle(const QVariantMap& revision)
{
    const QString created = revision.value(QStringLiteral("created")).toString();
    const QDateTime date = EntryFile::parseStoredDate(created);
    return date.isValid() ? cutils::commonDateString(date, true) : created;
}

bool DraftRevisions::follow(const Entry& entry)
{
    const QString path = revisionPath(entry);
    if (path == m_path && !path.isEmpty())
        return false;
    m_path = path;
    load();
    emit changed();
    return true;
}

bool DraftRevisions::carryTo(const Entry& entry)
{
    const QString path = revisionPath(entry);
    if (path.isEmpty() || m_path.isEmpty() || path == m_path || m_revisions.isEmpty())
        return follow(entry);
    const QString old = std::exchange(m_path, path);
    QString error;
    if (PropertyList::writeFile(m_path, m_revisions, PropertyList::Format::Xml, &error)) {
        if (QFileInfo::exists(old) && !QFile::remove(old))
            qCWarning(lcDrafts) << "the revisions a draft left behind could not be removed";
    } else {
        qCWarning(lcDrafts).noquote()
            << "the revisions of a moved draft could not be written:" << error;
    }
    emit changed();
    return true;
}

void DraftRevisions::load()
{
    m_revisions.clear();
    if (m_path.isEmpty() || !QFileInfo::exists(m_path))
        return;
    QString error;
    const QVariant stored = PropertyList::readFile(m_path, &error);
    if (stored.typeId() != QMetaType::QVariantList) {
        // Kept for the user; the draft starts a new history.
        QString message;
        const QString reason =
            stored.isValid() ? QStringLiteral("it does not hold a list of revisions") : error;
        UnreadableFile::moveAside(m_path, reason, &message);
        if (!message.isEmpty())
            emit fileMovedAside(message);
        return;
    }
    for (const QVariant& element : stored.toList()) {
        if (isRevision(element) && m_revisions.size() < MaxRevisions)
            m_revisions.append(element);
    }
}

bool DraftRevisions::take(const Entry& entry)
{
    follow(entry);
    const std::optional<QVariantMap> revision = EntryFile::revisionDictionary(entry);
    if (!revision || hasRevision(m_revisions, *revision))
        return false;
    while (m_revisions.size() >= MaxRevisions)
        m_revisions.removeLast();
    m_revisions.prepend(*revision);
    write();
    emit changed();
    return true;
}

void DraftRevisions::write()
{
    if (m_path.isEmpty())
        return;
    // A history that cannot be written stays in memory for this session.
    QString error;
    if (!PropertyList::writeFile(m_path, m_revisions, PropertyList::Format::Xml, &error))
        qCWarning(lcDrafts).noquote() << "the revisions of a draft could not be written:" << error;
}

void DraftRevisions::fillMenu(QMenu* menu,
                              const std::function<void(const QVariantMap&)>& chosen) const
{
    if (!menu)
        return;
    menu->clear();
    for (const QVariant& element : m_revisions) {
        const QVariantMap revision = element.toMap();
        QAction* item = menu->addAction(menuTitle(revision));
        item->setData(revision);
        QObject::connect(item, &QAction::triggered, menu, [chosen, revision] {
            if (chosen)
                chosen(revision);
        });
    }
    menu->setEnabled(!m_revisions.isEmpty());
}
