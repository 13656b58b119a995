// The blog menu of a draft window, which moves the post to another blog, and its format pop-up.
#include "DraftBlogMenu.h"

#include "Account.h"
#include "AlertBox.h"
#include "Blog.h"
#include "Draft.h"
#include "DraftEntryWatch.h"
#include "DraftExtensions.h"
#include "DraftSheets.h"
#include "Entry.h"
#include "Format.h"
#include "Localization.h"
#include "RVDraftWindow.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {

constexpr int keyedItems = 9;

// The accounts the menu lists, in the accounts window's order; without the
// program's list, the entry's own account.
QList<Account*> listedAccounts(const Blog* current)
{
    if (const auto& accounts = DraftExtensions::sharedInstance().accounts)
        return accounts();
    if (current && current->account())
        return {current->account()};
    return {};
}

// The blog stands in a listed account still.
bool isListed(const Blog* blog, const Blog* current)
{
    const Account* account = blog ? blog->account() : nullptr;
    if (!account || !listedAccounts(current).contains(account))
        return false;
    const auto blogs = account->blogs();
    return std::any_of(blogs.cbegin(), blogs.cend(),
                       [blog](const auto& listed) { return listed.get() == blog; });
}

// The blog an item stands for, compared only: the blog may be gone.
const QObject* blogOf(const QAction* item)
{
    return item ? item->data().value<QObject*>() : nullptr;
}

} // namespace

DraftBlogMenu::DraftBlogMenu(Draft& draft) : m_draft(draft) {}

DraftBlogMenu::~DraftBlogMenu() = default;

void DraftBlogMenu::build(QToolButton* button, QComboBox* formatPopup)
{
    m_button = button;
    m_formatPopup = formatPopup;
    m_menu = new QMenu(button);
    m_menu->setObjectName(QStringLiteral("blogMenu"));
    m_menu->installEventFilter(this);
    button->setMenu(m_menu);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The accounts may have changed since the menu was made.
    connect(m_menu, &QMenu::aboutToShow, this, &DraftBlogMenu::setupBlogMenu);
    connect(formatPopup, &QComboBox::activated, this, &DraftBlogMenu::selectFormat);
}

QToolButton* DraftBlogMenu::button() const
{
    return m_button.data();
}

QMenu* DraftBlogMenu::menu() const
{
    return m_menu.data();
}

QList<QAction*> DraftBlogMenu::blogItems() const
{
    QList<QAction*> items;
    if (!m_menu)
        return items;
    for (QAction* accountItem : m_menu->actions()) {
        if (QMenu* blogs = accountItem->menu())
            items += blogs->actions();
    }
    return items;
}

void DraftBlogMenu::setupBlogMenu()
{
    if (!m_menu)
        return;
    for (QAction* accountItem : m_menu->actions()) {
        if (QMenu* blogs = accountItem->menu())
            blogs->deleteLater();
    }
    m_menu->clear();
    Blog* current = m_draft.blog();
    int keyed = 0;
    for (Account* account : listedAccounts(current)) {
        if (!account || account->blogs().isEmpty())
            continue;
        QMenu* blogs = m_menu->addMenu(account->title());
        blogs->installEventFilter(this);
        blogs->menuAction()->setCheckable(true);
        blogs->menuAction()->setData(QVariant::fromValue(static_cast<QObject*>(account)));
        for (const auto& blog : account->blogs()) {
            QString title = blog->displayName();
            // Shown as the item's key; only the open menu takes it (eventFilter).
            if (keyed < keyedItems)
                title += QStringLiteral("\tCtrl+%1").arg(++keyed);
            QAction* item = blogs->addAction(title);
            item->setCheckable(true);
            item->setData(QVariant::fromValue(static_cast<QObject*>(blog.get())));
            // Later: the move rebuilds this menu, item and all.
            connect(
                item, &QAction::triggered, this,
                [this, target = QPointer<Blog>(blog.get()), name = blog->displayName()] {
                    chosen(target, name);
                },
                Qt::QueuedConnection);
        }
    }
    tickCurrentBlog();
    setupFormatMenu();
}

void DraftBlogMenu::tickCurrentBlog()
{
    if (!m_menu)
        return;
    Blog* current = m_draft.blog();
    for (QAction* accountItem : m_menu->actions()) {
        bool holds = false;
        if (QMenu* blogs = accountItem->menu()) {
            for (QAction* item : blogs->actions()) {
                item->setChecked(current && blogOf(item) == current);
                holds = holds || item->isChecked();
            }
        }
        accountItem->setChecked(holds);
    }
    if (m_button) {
        const Account* account = current ? current->account() : nullptr;
        m_button->setText(
            !current  ? QString()
            : account ? QStringLiteral("%1 — %2").arg(account->title(), current->displayName())
                      : current->displayName());
    }
}

bool DraftBlogMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::ControlModifier || key->key() < Qt::Key_1 || key->key() > Qt::Key_9)
        return QObject::eventFilter(watched, event);
    // The open menu takes the key before the program's shortcuts of it.
    if (event->type() == QEvent::ShortcutOverride) {
        key->accept();
        return true;
    }
    const QList<QAction*> items = blogItems();
    const int index = key->key() - Qt::Key_1;
    if (index >= items.size())
        return true;
    QAction* item = items[index];
    m_menu->close();
    item->trigger();
    return true;
}

void DraftBlogMenu::chosen(Blog* target, const QString& name)
{
    tickCurrentBlog();
    if (!isListed(target, m_draft.blog())) {
        // The blog went while the menu was open.
        refuse(localized("Draft", "The draft was not moved."),
               localized("Draft", "The blog “%1” is no longer there.").arg(name));
        return;
    }
    switchAccount(target);
}

void DraftBlogMenu::refuse(const QString& title, const QString& message)
{
    m_draft.m_sheets->showAlert(title, message);
}

void DraftBlogMenu::switchAccount(Blog* target)
{
    tickCurrentBlog();
    const EntryPtr entry = m_draft.entry();
    Blog* current = m_draft.blog();
    if (!entry || !target || target == current || m_switching)
        return;
    if (entry->beingPublished()) {
        refuse(localized("Draft", "“%1” cannot be moved as it is currently being published.")
                   .arg(entry->displayName()),
               localized("DraftController", "Please wait for the publishing process to complete."));
        return;
    }
    if (entry->hasFlag(Entry::BeingDeleted)) {
        refuse(localized("Draft", "“%1” cannot be moved as it is being deleted.")
                   .arg(entry->displayName()),
               localized("Draft", "It stays where it is until the deletion is done."));
        return;
    }
    const QPointer<Blog> guarded(target);
    auto commitAndMove = [this, guarded] {
        m_switching = true;
        m_draft.commitThen(QStringLiteral("switch"), [this, guarded] {
            m_switching = false;
            moveTo(guarded);
        });
    };
    if (entry->hasFlag(Entry::LocalOnly)) {
        commitAndMove();
        return;
    }
    // A published post stays on its blog: the switch makes a new one.
    QMessageBox* sheet = cutils::makeAlert(
        QMessageBox::Warning,
        localized("Draft", "“%1” is published on “%2”. Switching makes a new, unpublished post "
                           "on “%3”; the published post stays as it is.")
            .arg(entry->displayName(), current ? current->displayName() : QString(),
                 target->displayName()),
        QString(), m_draft.window());
    sheet->setObjectName(QStringLiteral("switchPublished"));
    QPushButton* switchButton =
        sheet->addButton(localized("Draft", "Switch"), QMessageBox::AcceptRole);
    QPushButton* cancel =
        sheet->addButton(localized("AppControl", "Cancel"), QMessageBox::RejectRole);
    sheet->setDefaultButton(switchButton);
    sheet->setEscapeButton(cancel);
    m_draft.showSheet(sheet, [switchButton, commitAndMove](QAbstractButton* chosen) {
        if (chosen == switchButton)
            commitAndMove();
    });
}

void DraftBlogMenu::moveTo(Blog* target)
{
    const EntryPtr entry = m_draft.entry();
    if (!entry || m_draft.isClosed())
        return;
    if (!isListed(target, m_draft.blog())) {
        refuse(localized("Draft", "The draft was not moved."),
               localized("Draft", "The blog it was to move to is no longer there."));
        return;
    }
    // Publishing or deleting may have begun while the editors answered.
    if (entry->beingPublished() || entry->hasFlag(Entry::BeingDeleted)) {
        switchAccount(target);
        return;
    }
    // The post moves as last saved; the window keeps the edits, unsaved.
    const EntryPtr edited = entry->copy();
    if (const EntryPtr saved = m_draft.savedCopy())
        entry->restoreFromCopy(*saved);
    m_draft.m_entryWatch->carryEditsOnMove(edited);
    QString error;
    const EntryPtr moved = entry->moveToBlog(target, &error);
    m_draft.m_entryWatch->carryEditsOnMove(nullptr);
    if (!moved || moved == entry) {
        entry->restoreFromCopy(*edited);
        refuse(localized("Draft", "“%1” could not be moved.").arg(entry->displayName()), error);
    }
}

// --- formats
// ------------------------------------------------------------------------------------------

bool DraftBlogMenu::hasFormats() const
{
    const Blog* blog = m_draft.blog();
    const Account* account = blog ? blog->account() : nullptr;
    return account && account->formats() && !account->formats()->isEmpty();
}

void DraftBlogMenu::setupFormatMenu()
{
    if (!m_formatPopup)
        return;
    const QSignalBlocker blocker(m_formatPopup);
    m_formatPopup->clear();
    const EntryPtr entry = m_draft.entry();
    const Blog* blog = m_draft.blog();
    const Account* account = blog ? blog->account() : nullptr;
    const QList<FormatPtr> formats =
        account ? account->formats().value_or(QList<FormatPtr>()) : QList<FormatPtr>();
    m_formatPopup->setVisible(!formats.isEmpty());
    if (formats.isEmpty())
        return; // the entry's format stays as it is
    m_formatPopup->addItem(localized("Draft", "None"), QString());
    const QString format = entry ? entry->format() : QString();
    int selected = 0;
    for (const FormatPtr& item : formats) {
        if (!item || item->title().isEmpty() || item->uniqueID().isEmpty() ||
            m_formatPopup->findText(item->title(), Qt::MatchExactly) >= 0)
            continue;
        m_formatPopup->addItem(item->title(), item->uniqueID());
        if (!format.isEmpty() && (format == item->title() || format == item->uniqueID()))
            selected = m_formatPopup->count() - 1;
    }
    m_formatPopup->setCurrentIndex(selected);
}

void DraftBlogMenu::selectFormat(int index)
{
    const EntryPtr entry = m_draft.entry();
    if (!entry || !m_formatPopup || index < 0 || index >= m_formatPopup->count())
        return;
    const QString format = m_formatPopup->itemData(index).toString();
    if (entry->format() == format)
        return;
    entry->setFormat(format.isNull() ? QLatin1String("") : format);
    if (RVDraftWindow* window = m_draft.window())
        window->setWindowModified(true);
}
