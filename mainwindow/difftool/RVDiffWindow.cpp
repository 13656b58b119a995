#include "RVDiffWindow.h"

#include "Entry.h"
#include "Localization.h"
#include "RVDiffArrayController.h"
#include "RVDiffTool.h"
#include "TimeZoneList.h"
#include "WebContentView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineSettings>

namespace {

QString text(const char* source)
{
    return localized("RVDiffTool", source);
}

QString localTimeZoneItem()
{
    return localized("Preferences", "Use local timezone");
}

QString longDate(const QDateTime& date)
{
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::LongFormat)
                          : text("No date");
}

} // namespace

RVDiffWindow::RVDiffWindow(RVDiffTool& tool, QWidget* parent)
    : QWidget(parent, Qt::Window), m_controller(new RVDiffArrayController(tool, this))
{
    setWindowTitle(text("Differences"));
    setObjectName(QStringLiteral("DiffTool"));
    setAutoFillBackground(true);

    auto* intro = new QLabel(text("The server's copies of these entries differ from yours. "
                                  "Accept the server's copy, fix yours now and publish it "
                                  "again, or leave it for later."));
    intro->setWordWrap(true);

    m_list = new QTreeView;
    m_list->setModel(m_controller);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(RVDiffArrayController::TitleColumn,
                                           QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(RVDiffArrayController::BlogColumn,
                                           QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(RVDiffArrayController::DateColumn,
                                           QHeaderView::ResizeToContents);
    m_position = new QLabel;

    m_notKept = new QLabel;
    m_notKept->setWordWrap(true);
    m_notKept->setContentsMargins(6, 4, 6, 4);
    m_notKept->hide();
    m_tabs = new QTabBar;
    m_tabs->setDocumentMode(true);
    m_tabs->setExpanding(false);
    m_timeView = makeTimeView();
    m_textView = makeTextView();
    m_box = new QStackedWidget;
    m_box->addWidget(m_textView);
    m_box->addWidget(m_timeView);

    m_all = new QCheckBox(text("Apply to all listed entries"));
    m_fixLater = new QPushButton(text("Fix Later"));
    m_fixNow = new QPushButton(text("Fix Now"));
    m_accept = new QPushButton(text("Accept Server Copy"));
    m_accept->setDefault(true);
    m_fixLater->setToolTip(text("Dismiss the difference; the next refresh finds it again."));
    m_fixNow->setToolTip(text("Open the draft to correct your copy and publish it again."));
    m_accept->setToolTip(text("Replace your copy's differing fields with the server's."));

    auto* upper = new QWidget;
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->addWidget(intro);
    upperLayout->addWidget(m_list);
    upperLayout->addWidget(m_position);
    auto* lower = new QWidget;
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    lowerLayout->addWidget(m_notKept);
    lowerLayout->addWidget(m_tabs);
    lowerLayout->addWidget(m_box, 1);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(upper);
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_all);
    buttons->addStretch(1);
    buttons->addWidget(m_fixLater);
    buttons->addWidget(m_fixNow);
    buttons->addWidget(m_accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    resize(760, 600);

    makeTimeZonePopup();

    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_syncing)
                    m_controller->setSelectedRow(current.isValid() ? current.row() : -1);
            });
    connect(m_controller, &QAbstractItemModel::modelReset, this, &RVDiffWindow::showSelection);
    connect(m_controller, &RVDiffArrayController::selectionChanged, this, [this] {
        showSelection();
        setTabs();
    });
    connect(m_controller, &RVDiffArrayController::pageChanged, this, &RVDiffWindow::showPage);
    connect(m_controller, &RVDiffArrayController::timeDiffChanged, this, &RVDiffWindow::showDates);
    connect(m_controller, &RVDiffArrayController::dateCreatedChanged, this,
            &RVDiffWindow::showDates);
    connect(m_controller, &RVDiffArrayController::emptied, this, &QWidget::hide);
    connect(m_controller, &RVDiffArrayController::problem, this, &RVDiffWindow::showProblem);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_syncing && index >= 0)
            m_controller->changeTab(m_tabs->tabData(index).toInt());
    });
    connect(m_all, &QCheckBox::toggled, m_controller, &RVDiffArrayController::setAllOrOne);
    connect(m_accept, &QPushButton::clicked, m_controller, &RVDiffArrayController::accept);
    connect(m_fixNow, &QPushButton::clicked, m_controller, &RVDiffArrayController::fixNow);
    connect(m_fixLater, &QPushButton::clicked, m_controller, &RVDiffArrayController::fixLater);
    connect(m_ignoreTime, &QPushButton::clicked, m_controller, &RVDiffArrayController::ignoreTime);
    connect(m_applyToAll, &QPushButton::clicked, m_controller,
            &RVDiffArrayController::applyTimeZoneToAll);
    connect(m_timeZones, &QComboBox::activated, this, [this](int index) {
        m_controller->changeTimeZone(m_timeZones->itemData(index).toString());
    });
    connect(m_ignoreHTML, &QCheckBox::toggled, m_controller, &RVDiffArrayController::setIgnoreHTML);
    // A new difference brings the window forward, unless it shows already.
    connect(&tool, &RVDiffTool::entryAdded, this, [this] {
        if (!isVisible())
            showWindow();
    });

    showSelection();
    setTabs();
    showPage();
    showDates();
}

RVDiffWindow::~RVDiffWindow() = default;

QWidget* RVDiffWindow::makeTimeView()
{
    auto* view = new QWidget;
    m_localDate = new QLabel;
    m_serverDate = new QLabel;
    m_timeDiff = new QLabel;
    QFont bold = m_timeDiff->font();
    bold.setBold(true);
    m_timeDiff->setFont(bold);
    m_timeZones = new QComboBox;
    m_timeZones->setMaxVisibleItems(24);
    m_applyToAll = new QPushButton(text("Apply to All"));
    m_applyToAll->setToolTip(
        text("Read every listed entry's server date in this time zone and take it."));
    m_ignoreTime = new QPushButton(text("Ignore Time"));
    m_ignoreTime->setToolTip(text("Dismiss every listed entry whose dates alone differ."));
    auto* hint = new QLabel(text("When the server keeps another time zone than this blog's "
                                 "settings name, choose it here: the server's date is read "
                                 "in that zone."));
    hint->setWordWrap(true);

    auto* zoneRow = new QHBoxLayout;
    zoneRow->addWidget(m_timeZones, 1);
    zoneRow->addWidget(m_applyToAll);
    auto* form = new QFormLayout;
    form->addRow(text("Your copy:"), m_localDate);
    form->addRow(text("Server copy:"), m_serverDate);
    form->addRow(text("Difference:"), m_timeDiff);
    form->addRow(text("Server time zone:"), zoneRow);
    auto* ignoreRow = new QHBoxLayout;
    ignoreRow->addStretch(1);
    ignoreRow->addWidget(m_ignoreTime);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addLayout(ignoreRow);
    layout->addStretch(1);
    return view;
}

QWidget* RVDiffWindow::makeTextView()
{
    auto* view = new QWidget;
    view->setMinimumHeight(180);
    m_ignoreHTML = new QCheckBox(text("Ignore HTML"));
    m_ignoreHTML->setToolTip(text("Compare the words alone, without the markup."));
    m_ignoreHTML->setChecked(RVDiffArrayController::ignoreHTML());
    auto* legend =
        new QLabel(text("<span style=\"background-color:rgba(220,50,50,56); "
                        "text-decoration:line-through\">Struck out</span>: only in your copy. "
                        "<span style=\"background-color:rgba(40,170,60,56); "
                        "text-decoration:underline\">Underlined</span>: only on the server."));
    legend->setTextFormat(Qt::RichText);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(6, 4, 6, 0);
    row->addWidget(m_ignoreHTML);
    row->addStretch(1);
    row->addWidget(legend);
    m_textLayout = new QVBoxLayout(view);
    m_textLayout->setContentsMargins(0, 0, 0, 0);
    m_textLayout->addStretch(1);
    m_textLayout->addLayout(row);
    return view;
}

WebContentView* RVDiffWindow::webView()
{
    if (m_web)
        return m_web;
    m_web = new WebContentView;
    // The page is ours and needs no script; nothing the texts hold runs either.
    m_web->contentPage()->setBlocksContentScripts(true);
    m_web->page()->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    delete m_textLayout->takeAt(0); // the stretch that stood in for it
    m_textLayout->insertWidget(0, m_web, 1);
    return m_web;
}

void RVDiffWindow::makeTimeZonePopup()
{
    m_timeZones->clear();
    m_timeZones->addItem(localTimeZoneItem(), localTimeZoneItem());
    m_timeZones->insertSeparator(1);
    for (const TimeZoneList::Zone& zone : TimeZoneList::zones())
        m_timeZones->addItem(zone.label, zone.id);
}

void RVDiffWindow::showWindow()
{
    show();
    raise();
    activateWindow();
}

void RVDiffWindow::showSelection()
{
    const int row = m_controller->selectedRow();
    m_syncing = true;
    if (row < 0)
        m_list->selectionModel()->clearSelection();
    else
        m_list->selectionModel()->setCurrentIndex(m_controller->index(row, 0),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
    m_syncing = false;
    const int count = m_controller->rowCount();
    m_position->setText(
        row < 0 ? QString() : text("Entry %1 of %2").arg(m_controller->currentIndex()).arg(count));
    const bool selected = row >= 0;
    for (QWidget* widget : {static_cast<QWidget*>(m_accept), static_cast<QWidget*>(m_fixNow),
                            static_cast<QWidget*>(m_fixLater), static_cast<QWidget*>(m_applyToAll),
                            static_cast<QWidget*>(m_timeZones)})
        widget->setEnabled(selected);
    m_ignoreTime->setEnabled(count > 0);
}

void RVDiffWindow::setTabs()
{
    m_syncing = true;
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    for (const RVDiffArrayController::TabItem& tab : m_controller->tabs())
        m_tabs->setTabData(m_tabs->addTab(QString(tab.label).replace(u'&', QLatin1String("&&"))),
                           tab.tag); // "Time & Date" has no shortcut letter
    m_tabs->setVisible(m_controller->showsTabBar());
    const QString notKept = m_controller->notKeptText();
    m_notKept->setText(notKept);
    m_notKept->setVisible(!notKept.isEmpty());
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->tabData(i).toInt() == m_controller->currentTab())
            m_tabs->setCurrentIndex(i);
    }
    m_syncing = false;

    const QString zone = m_controller->timeZoneName();
    int item = m_timeZones->findData(zone);
    if (item < 0 && !zone.isEmpty()) {
        // A name the list lacks (from an older list, or typed elsewhere) still shows.
        m_timeZones->addItem(zone, zone);
        item = m_timeZones->count() - 1;
    }
    m_timeZones->setCurrentIndex(std::max(item, 0));
}

void RVDiffWindow::showPage()
{
    const int tab = m_controller->currentTab();
    if (tab == RVDiffArrayController::TimeTab) {
        m_box->setCurrentWidget(m_timeView);
        return;
    }
    m_box->setCurrentWidget(m_textView);
    const QString page = m_controller->currentPage();
    if ((page == m_shownPage && !page.isEmpty()) || (page.isEmpty() && !m_web))
        return;
    m_shownPage = page;
    webView()->showDocument(page, WebContentPage::Content::Post);
}

void RVDiffWindow::showDates()
{
    const EntryPtr entry = m_controller->selectedEntry();
    m_localDate->setText(entry ? longDate(entry->entryDate()) : QString());
    m_serverDate->setText(entry ? longDate(m_controller->dateCreated()) : QString());
    const QString difference = m_controller->timeDiff();
    m_timeDiff->setText(entry && difference.isEmpty() ? text("The dates agree.") : difference);
}

void RVDiffWindow::showProblem(const QString& message)
{
    auto* box =
        new QMessageBox(QMessageBox::Warning, text("Differences"), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
