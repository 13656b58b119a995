#include "BlogPingsPage.h"

#include "Archivable.h"
#include "Blog.h"
#include "DefaultPings.h"
#include "Ping.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

struct PingRow {
    QString title;
    QString address;
};

// A blog's ping list holds ping records; older lists may hold bare addresses
// or dictionaries.
PingRow pingRow(const QVariant& value)
{
    const PingPtr ping = Ping::fromListValue(value);
    return {ping->title(), ping->address()};
}

} // namespace

BlogPingsPage::BlogPingsPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Services told of each new post:")));
    m_pings = new QTableWidget(0, 2);
    m_pings->setObjectName(QStringLiteral("pings"));
    m_pings->setHorizontalHeaderLabels({tr("Title"), tr("Address")});
    m_pings->horizontalHeader()->setStretchLastSection(true);
    m_pings->verticalHeader()->hide();
    m_pings->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(m_pings, &QTableWidget::itemChanged, this, &BlogPingsPage::writePings);
    layout->addWidget(m_pings, 1);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(tr("Add"));
    connect(add, &QPushButton::clicked, this, [this] {
        const QSignalBlocker blocker(m_pings);
        const int row = m_pings->rowCount();
        m_pings->insertRow(row);
        m_pings->setItem(row, 0, new QTableWidgetItem);
        m_pings->setItem(row, 1, new QTableWidgetItem(QStringLiteral("http://")));
        m_pings->editItem(m_pings->item(row, 1));
    });
    auto* remove = new QPushButton(tr("Remove"));
    connect(remove, &QPushButton::clicked, this, [this] {
        const int row = m_pings->currentRow();
        if (row < 0)
            return;
        m_pings->removeRow(row);
        writePings();
    });
    auto* defaults = new QPushButton(tr("Add Default Pings"));
    defaults->setObjectName(QStringLiteral("addDefaultPings"));
    connect(defaults, &QPushButton::clicked, this, [this] {
        if (!m_blog)
            return;
        DefaultPings::addTo(*m_blog);
        showPings();
    });
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(defaults);
    layout->addLayout(buttons);
}

BlogPingsPage::~BlogPingsPage() = default;

void BlogPingsPage::setBlog(Blog* blog)
{
    m_blog = blog;
}

void BlogPingsPage::showPings()
{
    const QSignalBlocker blocker(m_pings);
    m_pings->setRowCount(0);
    if (!m_blog)
        return;
    for (const QVariant& value : m_blog->pingUrls()) {
        const PingRow ping = pingRow(value);
        const int row = m_pings->rowCount();
        m_pings->insertRow(row);
        m_pings->setItem(row, 0, new QTableWidgetItem(ping.title));
        m_pings->setItem(row, 1, new QTableWidgetItem(ping.address));
    }
    m_pings->resizeColumnToContents(0);
}

void BlogPingsPage::writePings()
{
    QVariantList pings;
    for (int row = 0; row < m_pings->rowCount(); ++row) {
        const QString title = m_pings->item(row, 0) ? m_pings->item(row, 0)->text() : QString();
        const QString address =
            m_pings->item(row, 1) ? m_pings->item(row, 1)->text().trimmed() : QString();
        if (title.isEmpty() && address.isEmpty())
            continue;
        pings.append(QVariant::fromValue(ArchivableRef(Ping::pingWithTitle(title, address))));
    }
    emit pingsEdited(pings);
}
