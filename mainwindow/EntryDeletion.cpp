#include "EntryDeletion.h"

#include "ActivityItem.h"
#include "AlertBox.h"
#include "Blog.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "Localization.h"
#include "MainWindowLog.h"

#include <QMessageBox>
#include <QPushButton>
#include <memory>

namespace {

const char* const table = "EntryArrayController";

QString quoted(const Entry& entry)
{
    return QChar(0x201C) + entry.displayName() + QChar(0x201D);
}

bool isPublishing(const Entry& entry)
{
    return entry.beingPublished() || entry.publishActivity();
}

// A deletion of the entry is waiting or running (an error row is over).
bool isBeingDeleted(const Entry& entry)
{
    if (entry.hasFlag(Entry::BeingDeleted))
        return true;
    const auto* row = qobject_cast<const ActivityItem*>(entry.deleteActivity());
    return row && row->isActive();
}

// The blog that still lists the entry.
Blog* listingBlog(const Entry& entry)
{
    auto* blog = dynamic_cast<Blog*>(entry.parentBlog());
    return blog && blog->entryWithID(entry.uniqueID()).get() == &entry ? blog : nullptr;
}

} // namespace

EntryDeletion::Sheet EntryDeletion::sheetFor(const QList<Entry*>& entries)
{
    Sheet sheet;
    QList<Entry*> listed;
    for (Entry* entry : entries) {
        if (entry)
            listed.append(entry);
    }
    if (listed.isEmpty())
        return sheet;
    sheet.onServer = std::any_of(listed.begin(), listed.end(),
                                 [](const Entry* e) { return !e->hasFlag(Entry::LocalOnly); });
    const QString cannotUndo = localized(table, "This action cannot be undone.");
    const bool one = listed.size() == 1;
    sheet.title = one ? localized(table, "Are you sure you want to delete \"%1\"?")
                            .arg(listed.first()->displayName())
                      : localized(table, "Are you sure you want to delete the selected items?");
    if (!sheet.onServer) {
        sheet.informativeText = cannotUndo;
        sheet.defaultButton = localized("AppControl", "Yes");
        sheet.otherButton = localized("AppControl", "No");
        return sheet;
    }
    const QString where =
        one ? localized(table, "This post is also stored on your blog server. Please indicate if "
                               "you want to delete the local copy or both the local and the "
                               "server copies.")
            : localized(table, "Some of these items have copies on your blog server. Please "
                               "indicate if you want to delete the local copies or both the "
                               "local and the server copies.");
    sheet.informativeText = QStringLiteral("%1\n\n%2").arg(where, cannotUndo);
    sheet.defaultButton =
        one ? localized(table, "Local Copy Only") : localized(table, "Local Copies Only");
    sheet.alternateButton = localized("AppControl", "Cancel");
    sheet.otherButton = localized(table, "Local and Server Copies");
    return sheet;
}

EntryDeletion::Choice EntryDeletion::choiceFor(const Sheet& sheet, int returnCode)
{
    if (returnCode == 1)
        return Choice::LocalCopy;
    if (returnCode == -1 && sheet.onServer)
        return Choice::LocalAndServer;
    return Choice::Cancel;
}

EntryDeletion::EntryDeletion(QWidget* window, QObject* parent) : QObject(parent), m_window(window)
{
}

EntryDeletion::~EntryDeletion() = default;

QMessageBox* EntryDeletion::sheet() const
{
    return m_sheet.data();
}

QMessageBox* EntryDeletion::alert() const
{
    return m_alert.data();
}

void EntryDeletion::ask(const QList<EntryPtr>& entries)
{
    QList<Entry*> raw;
    for (const EntryPtr& entry : entries) {
        if (entry)
            raw.append(entry.get());
    }
    const Sheet sheet = sheetFor(raw);
    if (sheet.title.isEmpty() || m_sheet)
        return;
    auto* box = new AlertBox(QMessageBox::Warning, localized(table, "Delete"), sheet.title,
                             QMessageBox::NoButton, m_window);
    box->setInformativeText(sheet.informativeText);
    QPushButton* proceed = box->addButton(sheet.defaultButton, QMessageBox::AcceptRole);
    QPushButton* cancel = sheet.alternateButton.isEmpty()
                              ? nullptr
                              : box->addButton(sheet.alternateButton, QMessageBox::RejectRole);
    QPushButton* other = box->addButton(
        sheet.otherButton, sheet.onServer ? QMessageBox::DestructiveRole : QMessageBox::RejectRole);
    box->setDefaultButton(proceed);
    box->setEscapeButton(cancel ? cancel : other);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this,
            [this, sheet, entries, proceed, other](QAbstractButton* button) {
                const int code = button == proceed ? 1 : button == other ? -1 : 0;
                const Choice choice = choiceFor(sheet, code);
                if (choice != Choice::Cancel)
                    perform(entries, choice);
            });
    m_sheet = box;
    box->open();
}

void EntryDeletion::perform(const QList<EntryPtr>& entries, Choice choice)
{
    if (choice == Choice::Cancel)
        return;
    QStringList refusals;
    for (const EntryPtr& entry : entries) {
        if (!entry || !listingBlog(*entry))
            continue;
        if (isPublishing(*entry)) {
            refusals << localized(table, "%1 is being published and cannot be deleted now.")
                            .arg(quoted(*entry));
            continue;
        }
        if (isBeingDeleted(*entry)) {
            refusals << localized(table, "%1 is being deleted already.").arg(quoted(*entry));
            continue;
        }
        entry->addFlag(Entry::BeingDeleted);
        DraftRegistry* drafts = DraftRegistry::sharedInstance();
        if (!drafts) {
            proceed(entry, choice);
            continue;
        }
        // The draft saves what was typed and closes; then the entry goes.
        const std::weak_ptr<Entry> weak = entry;
        QPointer<EntryDeletion> self(this);
        if (!drafts->forceClosure(entry.get(), [self, weak, choice] {
                if (const EntryPtr closed = weak.lock(); closed && self)
                    self->proceed(closed, choice);
            })) {
            entry->removeFlag(Entry::BeingDeleted);
            refusals << localized(table, "%1 is being published and cannot be deleted now.")
                            .arg(quoted(*entry));
        }
    }
    if (!refusals.isEmpty()) {
        tell(localized(table, "Some items were not deleted."), refusals);
        emit refused(refusals);
    }
}

void EntryDeletion::proceed(const EntryPtr& entry, Choice choice)
{
    Blog* blog = listingBlog(*entry);
    if (!blog) {
        entry->removeFlag(Entry::BeingDeleted);
        return;
    }
    // An entry that was never published has no server copy: its local
    // identifier must never reach the server as a post's.
    if (choice == Choice::LocalCopy || entry->hasFlag(Entry::LocalOnly)) {
        blog->removeEntry(entry.get());
        return;
    }
    deleteOnServer(entry);
}

void EntryDeletion::deleteOnServer(const EntryPtr& entry)
{
    // The row of an earlier deletion that failed has been seen: a new one starts.
    if (auto* row = qobject_cast<ActivityItem*>(entry->deleteActivity()); row && row->isError()) {
        row->stop();
        entry->setDeleteActivity(nullptr);
    }
    if (!entry->deleteFromServer()) {
        entry->removeFlag(Entry::BeingDeleted);
        const QString reason =
            entry->account()
                ? localized(table, "The deletion of %1 could not start.").arg(quoted(*entry))
                : localized(table, "%1 belongs to no account, so it cannot be deleted on a "
                                   "server.")
                      .arg(quoted(*entry));
        tell(localized(table, "Some items were not deleted."), {reason});
        emit refused({reason});
        return;
    }
    watch(entry);
}

void EntryDeletion::watch(const EntryPtr& entry)
{
    auto* row = qobject_cast<ActivityItem*>(entry->deleteActivity());
    if (!row)
        return;
    const std::weak_ptr<Entry> weak = entry;
    auto told = std::make_shared<bool>(false);
    connect(row, &ActivityItem::changed, this, [this, weak, told](ActivityItem* item) {
        if (*told || !item->isError())
            return;
        *told = true;
        const EntryPtr kept = weak.lock();
        if (!kept)
            return;
        // The job has given the entry back; make sure nothing marks it still.
        if (kept->hasFlag(Entry::BeingDeleted))
            kept->removeFlag(Entry::BeingDeleted);
        const QString message = item->errorMessage();
        qCWarning(lcMainWindow).noquote()
            << "the server did not delete" << kept->displayName() << ":" << message;
        tell(localized(table, "The server did not delete %1.").arg(quoted(*kept)), {message});
        emit failed(kept.get(), message);
    });
}

void EntryDeletion::tell(const QString& title, const QStringList& lines)
{
    // One alert at a time: news with the same heading joins the open one.
    if (m_alert && m_alertTitle == title) {
        m_alertLines += lines;
        m_alert->setInformativeText(m_alertLines.join(QLatin1Char('\n')));
        return;
    }
    m_alertTitle = title;
    m_alertLines = lines;
    auto* alert = new AlertBox(QMessageBox::Warning, localized(table, "Delete"), title,
                               QMessageBox::Ok, m_window);
    alert->setInformativeText(lines.join(QLatin1Char('\n')));
    alert->setWindowModality(Qt::WindowModal);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert = alert;
    alert->open();
}
