#include "AccountsTableModel.h"

#include "Account.h"
#include "AccountList.h"
#include "Localization.h"
#include "NaturalSort.h"
#include "PaletteColors.h"
#include "PluginManager.h"

#include <QGuiApplication>
#include <QScopedValueRollback>
#include <algorithm>

namespace {

QString columnText(const Account& account, int column)
{
    switch (column) {
    case AccountsTableModel::TitleColumn:
        return account.title();
    case AccountsTableModel::AddressColumn:
        return account.url();
    case AccountsTableModel::SystemColumn:
        // The system as its bundle names it; the stored key is for the program.
        return account.pluginKey().isEmpty()
                   ? QString()
                   : PluginManager::sharedInstance().displayNameForKey(account.pluginKey());
    }
    return {};
}

} // namespace

AccountsTableModel::AccountsTableModel(AccountList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list)
{
    m_rows = m_list.accounts();
    watch();
    // Changes made elsewhere (a load, a script) show as a new list.
    connect(&m_list, &AccountList::accountsChanged, this, [this] {
        if (!m_ownChange)
            reload();
    });
}

AccountsTableModel::~AccountsTableModel() = default;

void AccountsTableModel::reload()
{
    beginResetModel();
    m_rows = m_list.accounts();
    watch();
    endResetModel();
}

void AccountsTableModel::watch()
{
    for (const QMetaObject::Connection& watch : std::as_const(m_watches))
        disconnect(watch);
    m_watches.clear();
    for (const auto& account : std::as_const(m_rows)) {
        Account* watched = account.get();
        m_watches.append(
            connect(watched, &ModelRecord::valueChanged, this,
                    [this, watched](const QString& key) { accountChanged(watched, key); }));
    }
}

void AccountsTableModel::accountChanged(Account* account, const QString& key)
{
    static const QStringList shown{QStringLiteral("title"), QStringLiteral("url"),
                                   QStringLiteral("pluginKey"), QStringLiteral("label")};
    if (!shown.contains(key))
        return;
    const int row = rowOf(account);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int AccountsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AccountsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AccountsTableModel::data(const QModelIndex& index, int role) const
{
    Account* account = accountAt(index.row());
    if (!account || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return columnText(*account, index.column());
    case Qt::BackgroundRole:
        return account->label().toQColor();
    case Qt::ForegroundRole: {
        // The label is the user's colour: the name takes a colour that reads on it.
        const QPalette palette = QGuiApplication::palette();
        return PaletteColors::readableOn(
            PaletteColors::over(account->label().toQColor(), palette.color(QPalette::Base)),
            palette.color(QPalette::Text));
    }
    case AccountRole:
        return QVariant::fromValue(static_cast<QObject*>(account));
    default:
        return {};
    }
}

QVariant AccountsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TitleColumn:
        return localized("AccountController", "Title");
    case AddressColumn:
        return localized("AccountController", "Address");
    case SystemColumn:
        return localized("AccountController", "Blog System");
    }
    return {};
}

Qt::ItemFlags AccountsTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool AccountsTableModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                                  const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1 || sourceRow < 0 ||
        sourceRow >= m_rows.size() || destinationChild < 0 || destinationChild > m_rows.size())
        return false;
    if (destinationChild == sourceRow || destinationChild == sourceRow + 1)
        return true;
    if (!beginMoveRows({}, sourceRow, sourceRow, {}, destinationChild))
        return false;
    const auto account = m_rows.at(sourceRow);
    // The list counts the place after taking the account out.
    const int to = destinationChild > sourceRow ? destinationChild - 1 : destinationChild;
    {
        QScopedValueRollback own(m_ownChange, true);
        m_list.insertAccount(account, to);
    }
    m_rows.move(sourceRow, to);
    endMoveRows();
    return true;
}

void AccountsTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount || m_rows.size() < 2)
        return;
    QList<std::shared_ptr<Account>> sorted = m_rows;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
        return compareNatural(columnText(*a, column), columnText(*b, column),
                              order == Qt::AscendingOrder) < 0;
    });
    if (sorted == m_rows)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<Account*> accountsBefore;
    for (const QModelIndex& index : before)
        accountsBefore.append(accountAt(index.row()));
    {
        QScopedValueRollback own(m_ownChange, true);
        for (int row = 0; row < sorted.size(); ++row)
            m_list.insertAccount(sorted.at(row), row);
    }
    m_rows = sorted;
    QModelIndexList after;
    for (int i = 0; i < before.size(); ++i)
        after.append(index(rowOf(accountsBefore.at(i)), before.at(i).column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

Account* AccountsTableModel::accountAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).get() : nullptr;
}

int AccountsTableModel::rowOf(const Account* account) const
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows.at(row).get() == account)
            return row;
    return -1;
}
