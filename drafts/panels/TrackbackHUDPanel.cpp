// The draft window's trackback panel: the addresses a post pings when published.
#include "TrackbackHUDPanel.h"

#include "Draft.h"
#include "Entry.h"
#include "Localization.h"
#include "Ping.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

TrackbackHUDPanel::TrackbackHUDPanel(Draft& draft, QWidget* parent) : QFrame(parent), m_draft(draft)
{
    setObjectName(QStringLiteral("trackbackPanel"));
    auto* title = new QLabel(localized("Draft", "Trackback URLs"), this);
    title->setObjectName(QStringLiteral("hudTitle"));
    m_table = new QTableWidget(0, 1, this);
    m_table->setHorizontalHeaderLabels({localized("Draft", "Address")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setMinimumSize(380, 160);
    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(QStringLiteral("https://"));
    m_add = new QPushButton(localized("Draft", "Add"), this);
    m_remove = new QPushButton(localized("Draft", "Remove"), this);
    m_remove->setEnabled(false);
    m_done = new QPushButton(localized("Draft", "Done"), this);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("hudRefusal"));
    m_refusal->setWordWrap(true);
    m_refusal->hide();

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(m_field, 1);
    entryRow->addWidget(m_add);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    buttons->addWidget(m_done);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_table);
    layout->addLayout(entryRow);
    layout->addWidget(m_refusal);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, [this] { addAddress(m_field->text()); });
    connect(m_field, &QLineEdit::returnPressed, this, [this] { addAddress(m_field->text()); });
    connect(m_field, &QLineEdit::textEdited, m_refusal, &QLabel::hide);
    connect(m_remove, &QPushButton::clicked, this, &TrackbackHUDPanel::removeSelected);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            [this] { m_remove->setEnabled(!m_table->selectedItems().isEmpty()); });
    connect(m_done, &QPushButton::clicked, this, &TrackbackHUDPanel::done);
}

QString TrackbackHUDPanel::refusal(const QString& typed, const QStringList& existing,
                                   QString* cleaned)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return localized("Draft", "Type a trackback address first.");
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return localized("Draft", "“%1” is not a web address: trackbacks go to http or https "
                                  "addresses only.")
            .arg(text);
    if (url.host().isEmpty())
        return localized("Draft", "“%1” names no server.").arg(text);
    for (const QString& known : existing) {
        if (QUrl(known) == url)
            return localized("Draft", "“%1” is in the list already.").arg(text);
    }
    if (existing.size() >= maximumAddresses)
        return localized("Draft", "A post takes at most %1 trackback addresses.")
            .arg(maximumAddresses);
    if (cleaned)
        *cleaned = text;
    return {};
}

void TrackbackHUDPanel::opened()
{
    m_refusal->hide();
    m_field->clear();
    showAddresses();
}

QStringList TrackbackHUDPanel::addresses() const
{
    QStringList list;
    const EntryPtr entry = m_draft.entry();
    if (!entry)
        return list;
    for (const PingPtr& ping : entry->pingUris()) {
        if (ping && !ping->address().isEmpty())
            list << ping->address();
    }
    return list;
}

void TrackbackHUDPanel::showAddresses()
{
    const QStringList list = addresses();
    m_table->setRowCount(int(list.size()));
    for (int row = 0; row < list.size(); ++row)
        m_table->setItem(row, 0, new QTableWidgetItem(list[row]));
    m_remove->setEnabled(false);
}

bool TrackbackHUDPanel::addAddress(const QString& typed)
{
    QString cleaned;
    const QString why = refusal(typed, addresses(), &cleaned);
    if (!why.isEmpty()) {
        m_refusal->setText(why);
        m_refusal->show();
        return false;
    }
    m_refusal->hide();
    storeAddresses(addresses() << cleaned);
    m_field->clear();
    return true;
}

void TrackbackHUDPanel::removeSelected()
{
    std::set<int> rows;
    for (const QTableWidgetItem* item : m_table->selectedItems())
        rows.insert(item->row());
    if (rows.empty())
        return;
    QStringList list = addresses();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it < list.size())
            list.removeAt(*it);
    }
    storeAddresses(list);
}

void TrackbackHUDPanel::storeAddresses(const QStringList& list)
{
    const EntryPtr entry = m_draft.entry();
    if (!entry)
        return;
    // The pings that stay keep their records (and titles).
    PingList kept;
    const PingList old = entry->pingUris();
    for (const QString& address : list) {
        auto same = std::find_if(old.cbegin(), old.cend(), [&](const PingPtr& ping) {
            return ping && ping->address() == address;
        });
        kept << (same != old.cend() ? *same : Ping::pingWithTitle(QString(), address));
    }
    entry->setPingUris(kept);
    showAddresses();
}

QString TrackbackHUDPanel::refusalText() const
{
    return m_refusal->isHidden() ? QString() : m_refusal->text();
}
