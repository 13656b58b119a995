#include "AccountOutlineModel.h"

#include "Account.h"
#include "AccountList.h"
#include "AccountsReordering.h"
#include "Blog.h"
#include "RVAccountCell.h"

#include <QMimeData>

namespace {
// Accounts carry internal id 0; a blog carries its account's row + 1.
constexpr quintptr AccountLevel = 0;
} // namespace

AccountOutlineModel::AccountOutlineModel(AccountList& accounts, QObject* parent)
    : QAbstractItemModel(parent), m_accounts(accounts)
{
    connect(&m_accounts, &AccountList::accountsChanged, this, &AccountOutlineModel::rebuild);
    for (const auto& account : m_accounts.accounts())
        watch(account.get());
}

AccountOutlineModel::~AccountOutlineModel() = default;

void AccountOutlineModel::rebuild()
{
    beginResetModel();
    for (const auto& connection : std::as_const(m_watches))
        disconnect(connection);
    m_watches.clear();
    for (const auto& account : m_accounts.accounts())
        watch(account.get());
    endResetModel();
}

void AccountOutlineModel::watch(Account* account)
{
    m_watches.append(
        connect(account, &ModelRecord::valueChanged, this, [this, account](const QString& key) {
            if (key == QLatin1String("blogs")) {
                rebuild();
            } else if (key == QLatin1String("title")) {
                const QModelIndex at = indexOf(account);
                emit dataChanged(at, at);
            }
        }));
    for (const auto& blog : account->blogs()) {
        Blog* b = blog.get();
        m_watches.append(
            connect(b, &ModelRecord::valueChanged, this, [this, b](const QString& key) {
                if (key == QLatin1String("title") || key == QLatin1String("displayName")) {
                    const QModelIndex at = indexOf(b);
                    emit dataChanged(at, at);
                }
            }));
    }
}

Account* AccountOutlineModel::accountAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.internalId() != AccountLevel)
        return nullptr;
    const auto accounts = m_accounts.accounts();
    return index.row() < accounts.size() ? accounts[index.row()].get() : nullptr;
}

Blog* AccountOutlineModel::blogAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.internalId() == AccountLevel)
        return nullptr;
    const auto accounts = m_accounts.accounts();
    const qsizetype accountRow = qsizetype(index.internalId() - 1);
    if (accountRow >= accounts.size())
        return nullptr;
    const auto blogs = accounts[accountRow]->blogs();
    return index.row() < blogs.size() ? blogs[index.row()].get() : nullptr;
}

Account* AccountOutlineModel::owningAccount(const QModelIndex& index) const
{
    if (Account* account = accountAt(index))
        return account;
    Blog* blog = blogAt(index);
    return blog ? blog->account() : nullptr;
}

QModelIndex AccountOutlineModel::indexOf(const Account* account) const
{
    const auto accounts = m_accounts.accounts();
    for (int row = 0; row < accounts.size(); ++row) {
        if (accounts[row].get() == account)
            return createIndex(row, 0, AccountLevel);
    }
    return {};
}

QModelIndex AccountOutlineModel::indexOf(const Blog* blog) const
{
    if (!blog)
        return {};
    const auto accounts = m_accounts.accounts();
    for (int row = 0; row < accounts.size(); ++row) {
        const auto blogs = accounts[row]->blogs();
        for (int b = 0; b < blogs.size(); ++b) {
            if (blogs[b].get() == blog)
                return createIndex(b, 0, quintptr(row) + 1);
        }
    }
    return {};
}

void AccountOutlineModel::setBusyPicture(const QPixmap& picture)
{
    m_busyPicture = picture;
}

void AccountOutlineModel::refreshAccount(const Account* account)
{
    const QModelIndex at = indexOf(account);
    if (at.isValid())
        emit dataChanged(at, at, {RVAccountCell::ProgressImageRole});
}

QModelIndex AccountOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column != 0)
        return {};
    if (!parent.isValid())
        return row < m_accounts.accounts().size() ? createIndex(row, 0, AccountLevel)
                                                  : QModelIndex();
    Account* account = accountAt(parent);
    if (!account || row >= account->blogs().size())
        return {};
    return createIndex(row, 0, quintptr(parent.row()) + 1);
}

QModelIndex AccountOutlineModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == AccountLevel)
        return {};
    return createIndex(int(child.internalId() - 1), 0, AccountLevel);
}

int AccountOutlineModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_accounts.accounts().size());
    if (Account* account = accountAt(parent))
        return int(account->blogs().size());
    return 0;
}

int AccountOutlineModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool AccountOutlineModel::hasChildren(const QModelIndex& parent) const
{
    // Everything but a blog can open, an account without blogs too.
    return !parent.isValid() || accountAt(parent);
}

QVariant AccountOutlineModel::data(const QModelIndex& index, int role) const
{
    if (Account* account = accountAt(index)) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return account->title();
        case RVAccountCell::ProgressImageRole:
            return account->isCritical() && !m_busyPicture.isNull() ? QVariant(m_busyPicture)
                                                                    : QVariant();
        case Qt::SizeHintRole:
            return QSize(-1, 18);
        default:
            return {};
        }
    }
    if (Blog* blog = blogAt(index)) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return blog->displayName();
        return {};
    }
    return role == Qt::DisplayRole ? QVariant(QStringLiteral("<undefined>")) : QVariant();
}

Qt::ItemFlags AccountOutlineModel::flags(const QModelIndex& index) const
{
    if (accountAt(index))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
               Qt::ItemIsDropEnabled;
    if (blogAt(index))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled |
               Qt::ItemNeverHasChildren;
    return Qt::ItemIsDropEnabled;
}

QStringList AccountOutlineModel::mimeTypes() const
{
    return {QString::fromLatin1(DraftItemDrop::mimeType), QString::fromLatin1(accountMimeType)};
}

QMimeData* AccountOutlineModel::mimeData(const QModelIndexList& indexes) const
{
    // Only accounts move, and only when the first dragged row is one.
    if (indexes.isEmpty() || !accountAt(indexes.first()))
        return nullptr;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(accountMimeType), QByteArray::number(indexes.first().row()));
    return data;
}

Qt::DropActions AccountOutlineModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions AccountOutlineModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

std::optional<int> AccountOutlineModel::accountDropIndex(bool onRoot, bool onAccount,
                                                         int accountRow, int row, int rowCount,
                                                         int from)
{
    int target;
    if (onAccount)
        target = accountRow;
    else if (onRoot)
        target = row < 0 ? rowCount : row;
    else
        return std::nullopt;
    return AccountsReordering::blockStart({from}, target);
}

std::optional<DraftItemDrop::Items> AccountOutlineModel::draggedEntries(const QMimeData* data) const
{
    return DraftItemDrop::read(data->data(QString::fromLatin1(DraftItemDrop::mimeType)));
}

DraftItemDrop::AccountLookup AccountOutlineModel::accountLookup() const
{
    return [this](const QString& id) { return m_accounts.accountForID(id); };
}

bool AccountOutlineModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                          const QModelIndex& parent) const
{
    if (!data)
        return false;
    if (data->hasFormat(QString::fromLatin1(DraftItemDrop::mimeType))) {
        // Entries go on a blog, not between rows.
        Blog* blog = blogAt(parent);
        if (!blog || row >= 0)
            return false;
        const auto items = draggedEntries(data);
        return items && DraftItemDrop::canMoveAny(*items, *blog, accountLookup());
    }
    if (data->hasFormat(QString::fromLatin1(accountMimeType)))
        return !blogAt(parent);
    return false;
}

QString AccountOutlineModel::dropRefusal(const QMimeData* data, const QModelIndex& index) const
{
    const Blog* blog = blogAt(index);
    if (!blog || !data || !data->hasFormat(QString::fromLatin1(DraftItemDrop::mimeType)))
        return {};
    const auto items = draggedEntries(data);
    return items ? DraftItemDrop::refusalMessage(*items, *blog, accountLookup()) : QString();
}

bool AccountOutlineModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                       int column, const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    if (data->hasFormat(QString::fromLatin1(DraftItemDrop::mimeType))) {
        Blog* target = blogAt(parent);
        const auto report = DraftItemDrop::perform(*draggedEntries(data), *target, accountLookup());
        if (!report.targetReached)
            return false;
        emit entriesDropped(target, report);
        return true;
    }

    bool fromOk = false;
    const int from = data->data(QString::fromLatin1(accountMimeType)).toInt(&fromOk);
    const auto accounts = m_accounts.accounts();
    if (!fromOk || from < 0 || from >= accounts.size())
        return false;
    const auto to = accountDropIndex(!parent.isValid(), accountAt(parent) != nullptr, parent.row(),
                                     row, int(accounts.size()), from);
    if (to && *to != from) {
        const auto account = accounts[from];
        m_accounts.insertAccount(account, *to);
        emit accountMoved(account.get());
    }
    // Never reported as taken, so the dragged row slides back whatever happened.
    return false;
}
