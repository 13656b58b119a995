#include "AccountArrayController.h"

#include "Account.h"
#include "AccountList.h"
#include "AccountOutlineModel.h"
#include "Blog.h"
#include "GradientOutlineView.h"
#include "NotificationCenter.h"
#include "ProgressSpinner.h"
#include "RVAccountCell.h"
#include "UserDefaults.h"

#include <QDragMoveEvent>
#include <QHeaderView>

namespace {
// Posted by the roads when a blog's list of entries changed.
constexpr auto entriesRetrievedName = "entriesRetrieved";
constexpr int spinnerSize = 16;
} // namespace

AccountArrayController::AccountArrayController(AccountList& accounts, GradientOutlineView* view,
                                               QObject* parent, UserDefaults* defaults,
                                               NotificationCenter* center, Clock* clock)
    : QObject(parent), m_accounts(accounts), m_view(view),
      m_model(new AccountOutlineModel(accounts, this)),
      m_defaults(defaults ? *defaults : UserDefaults::sharedInstance()),
      m_center(center ? *center : NotificationCenter::sharedInstance()),
      m_clock(clock ? *clock : Clock::system())
{
    m_view->setModel(m_model);
    m_view->setItemDelegate(new RVAccountCell(m_view));
    m_view->setHeaderHidden(true);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setDragEnabled(true);
    m_view->setAcceptDrops(true);
    m_view->setDropIndicatorShown(true);
    m_view->setDragDropMode(QAbstractItemView::DragDrop);
    m_view->setDefaultDropAction(Qt::MoveAction);
    m_view->setExpandsOnDoubleClick(true); // a double click opens or closes an account
    m_view->setUniformRowHeights(false);

    connect(m_model, &AccountOutlineModel::entriesDropped, this,
            &AccountArrayController::entriesDropped);
    m_view->viewport()->installEventFilter(this);
    connect(m_model, &QAbstractItemModel::modelReset, this,
            &AccountArrayController::restoreSelection);
}

AccountArrayController::~AccountArrayController()
{
    m_center.removeObserver(this);
}

void AccountArrayController::setFetching(Fetching fetching)
{
    m_fetching = std::move(fetching);
}

void AccountArrayController::awake()
{
    if (m_awake)
        return;
    expandStoredAccounts();
    connect(m_view, &QTreeView::expanded, this, &AccountArrayController::itemExpanded);
    connect(m_view, &QTreeView::collapsed, this, &AccountArrayController::itemCollapsed);

    // The first row is never brought back: 0 also means "nothing stored".
    const qint64 last = m_defaults.integer(QString::fromLatin1(lastSelectionKey));
    if (last > 0 && last < visibleRowCount())
        m_view->setCurrentIndex(indexAtVisibleRow(int(last)));

    m_center.observe(QStringLiteral("forceReload"), this,
                     [this](const Notification& n) { forceReload(n.object); });
    m_center.observe(QString::fromLatin1(entriesRetrievedName), this,
                     [this](const Notification& n) { entriesRetrieved(n.object); });
    m_center.observe(QStringLiteral("accountInactive"), this,
                     [this](const Notification& n) { accountInactive(n.object); });
    m_center.observe(QStringLiteral("accountActive"), this,
                     [this](const Notification& n) { accountActive(n.object); });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { selectionDidChange(Fetch::Plain); });

    m_busy.clear();
    m_spinnerCounter = 0;
    m_awake = true;
    // Accounts already at work when the window came.
    for (const auto& account : m_accounts.accounts()) {
        if (account->isCritical())
            accountActive(account.get());
    }
}

void AccountArrayController::detach()
{
    m_awake = false;
    m_center.removeObserver(this);
    m_spinTimer.reset();
    m_busy.clear();
    if (!m_model)
        return;
    m_view->setModel(nullptr);
    delete m_model;
    m_model = nullptr;
    m_selectedAccount = nullptr;
    m_selectedBlog = nullptr;
    m_selectedBlogs.clear();
}

QModelIndex AccountArrayController::selectedRow() const
{
    if (!m_model || !m_view->selectionModel())
        return {};
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

void AccountArrayController::selectionDidChange(Fetch fetch)
{
    if (!m_awake)
        return;
    const QModelIndex index = selectedRow();
    Account* account = m_model->owningAccount(index);
    Blog* blog = m_model->blogAt(index);

    m_selectedBlogs.clear();
    if (account) {
        m_defaults.setValue(QString::fromLatin1(lastSelectionKey), visibleRow(index));
        if (blog) {
            m_selectedBlogs.append(blog);
            m_title = QStringLiteral("%1 %2 %3")
                          .arg(account->title(), QChar(0x00BB), blog->displayName());
        } else {
            for (const auto& b : account->blogs())
                m_selectedBlogs.append(b.get());
            m_title = account->title();
        }
    } else {
        m_title = QStringLiteral("plumet");
    }
    m_selectedAccount = account;
    m_selectedBlog = blog;
    emit selectionChanged(account, selectedBlogs());

    if (account) {
        if (fetch == Fetch::Pages) {
            const QList<Blog*> toFetch = account->collectPages(blog);
            if (m_fetching.pages)
                m_fetching.pages(*account, blog, toFetch);
        } else {
            const bool force = fetch == Fetch::ForcedPosts;
            const QList<Blog*> toFetch = account->collectEntries(blog, force);
            if (m_fetching.posts)
                m_fetching.posts(*account, blog, force, toFetch);
        }
    }
    emit titleChanged(m_title);
}

QList<Blog*> AccountArrayController::selectedBlogs() const
{
    QList<Blog*> blogs;
    for (const auto& blog : m_selectedBlogs) {
        if (blog)
            blogs.append(blog.data());
    }
    return blogs;
}

Account* AccountArrayController::selectedAccount() const
{
    const QModelIndex row = selectedRow();
    return row.isValid() ? m_model->owningAccount(row) : nullptr;
}

Blog* AccountArrayController::selectedBlog() const
{
    const QModelIndex row = selectedRow();
    return row.isValid() ? m_model->blogAt(row) : nullptr;
}

void AccountArrayController::select(const Account* account)
{
    if (!m_model)
        return;
    const QModelIndex at = m_model->indexOf(account);
    if (at.isValid())
        m_view->setCurrentIndex(at);
}

void AccountArrayController::select(const Blog* blog)
{
    if (!m_model)
        return;
    const QModelIndex at = m_model->indexOf(blog);
    if (!at.isValid())
        return;
    m_view->expand(at.parent());
    m_view->setCurrentIndex(at);
}

int AccountArrayController::visibleRow(const QModelIndex& index) const
{
    if (!m_model)
        return -1;
    int row = 0;
    for (QModelIndex at = m_model->index(0, 0); at.isValid(); at = m_view->indexBelow(at), ++row) {
        if (at == index)
            return row;
    }
    return -1;
}

QModelIndex AccountArrayController::indexAtVisibleRow(int row) const
{
    if (!m_model)
        return {};
    QModelIndex at = m_model->index(0, 0);
    for (int i = 0; i < row && at.isValid(); ++i)
        at = m_view->indexBelow(at);
    return at;
}

int AccountArrayController::visibleRowCount() const
{
    if (!m_model)
        return 0;
    int count = 0;
    for (QModelIndex at = m_model->index(0, 0); at.isValid(); at = m_view->indexBelow(at))
        ++count;
    return count;
}

void AccountArrayController::expandStoredAccounts()
{
    const auto accounts = m_accounts.accounts();
    for (const auto& account : accounts) {
        const QModelIndex at = m_model->indexOf(account.get());
        if (account->isExpanded())
            m_view->expand(at);
        else
            m_view->collapse(at);
    }
}

void AccountArrayController::itemExpanded(const QModelIndex& index)
{
    if (Account* account = m_model->accountAt(index))
        account->setIsExpanded(true);
}

void AccountArrayController::itemCollapsed(const QModelIndex& index)
{
    Account* account = m_model->accountAt(index);
    if (!account)
        return;
    account->setIsExpanded(false);
    Blog* blog = selectedBlog();
    if (blog && blog->account() == account)
        m_view->setCurrentIndex(index);
}

void AccountArrayController::restoreSelection()
{
    if (!m_awake)
        return;
    expandStoredAccounts();
    // What the selection handling last saw is selected again when it is still there.
    if (m_selectedBlog && m_model->indexOf(m_selectedBlog.data()).isValid())
        select(m_selectedBlog.data());
    else if (m_selectedAccount && m_model->indexOf(m_selectedAccount.data()).isValid())
        select(m_selectedAccount.data());
    else
        selectionDidChange(Fetch::Plain);
}

void AccountArrayController::forceReload(QObject* object)
{
    if (auto* account = qobject_cast<Account*>(object)) {
        const QModelIndex at = m_model->indexOf(account);
        emit m_model->dataChanged(at, at);
        return;
    }
    if (auto* blog = qobject_cast<Blog*>(object)) {
        const QModelIndex at = m_model->indexOf(blog);
        emit m_model->dataChanged(at, at);
        return;
    }
    m_model->reload();
}

void AccountArrayController::entriesRetrieved(QObject* object)
{
    auto* blog = qobject_cast<Blog*>(object);
    if (blog && blog->account() && blog->account() == m_selectedAccount.data())
        selectionDidChange(Fetch::Plain);
}

void AccountArrayController::accountActive(QObject* object)
{
    auto* account = qobject_cast<Account*>(object);
    if (!account || !m_awake)
        return;
    for (const auto& busy : std::as_const(m_busy)) {
        if (busy == account)
            return;
    }
    m_busy.append(account);
    if (m_busy.size() == 1)
        spinStep();
}

void AccountArrayController::accountInactive(QObject* object)
{
    auto* account = qobject_cast<Account*>(object);
    if (!account)
        return;
    m_busy.removeIf([account](const QPointer<Account>& busy) { return busy == account; });
    m_model->refreshAccount(account);
}

QList<Account*> AccountArrayController::busyAccounts() const
{
    QList<Account*> accounts;
    for (const auto& busy : m_busy) {
        if (busy)
            accounts.append(busy.data());
    }
    return accounts;
}

void AccountArrayController::updateBusyPicture()
{
    // The spokes in the outline's text colour, so they show on a dark list too.
    const QColor spokes = m_view->viewport()->palette().color(QPalette::Text);
    m_model->setBusyPicture(ProgressSpinner::imageOfFrame(
        m_spinnerCounter, spinnerSize, m_view->devicePixelRatioF(), spinnerFrames, spokes));
}

void AccountArrayController::spinStep()
{
    m_busy.removeIf([](const QPointer<Account>& busy) { return busy.isNull(); });
    if (m_busy.isEmpty()) {
        m_spinTimer.reset();
        return;
    }
    updateBusyPicture();
    for (const auto& account : std::as_const(m_busy))
        m_model->refreshAccount(account.data());
    m_spinnerCounter = (m_spinnerCounter + 1) % spinnerFrames;
    m_spinTimer = m_clock.singleShot(spinnerInterval, [this] { spinStep(); });
}

bool AccountArrayController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
            explainRefusal(*static_cast<QDragMoveEvent*>(event));
            break;
        case QEvent::DragLeave:
        case QEvent::Drop:
            m_refusal.clear();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void AccountArrayController::explainRefusal(const QDragMoveEvent& event)
{
    // A refused drop never arrives: the reason is told while the entries hover.
    const QString refusal =
        m_model
            ? m_model->dropRefusal(event.mimeData(), m_view->indexAt(event.position().toPoint()))
            : QString();
    if (refusal == m_refusal)
        return;
    m_refusal = refusal;
    if (!refusal.isEmpty())
        emit statusMessage(refusal);
}

void AccountArrayController::entriesDropped(Blog* target, const DraftItemDrop::Report& report)
{
    select(target);
    const QString busy = DraftItemDrop::busyMessage(report);
    if (!busy.isEmpty())
        emit statusMessage(busy);
    const QString failed = DraftItemDrop::failureMessage(report);
    if (!failed.isEmpty())
        emit moveFailed(failed);
}
