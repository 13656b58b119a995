// Builds a draft window's widgets and keeps them showing what the draft shows.
#include "DraftWindowLayout.h"

#include "Draft.h"
#include "DraftEditors.h"
#include "DraftPaneStack.h"
#include "DraftSideView.h"
#include "Entry.h"
#include "Genetic.h"
#include "Localization.h"
#include "PaletteColors.h"
#include "RVDraftWindow.h"
#include "RVSubView.h"
#include "UserDefaults.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr QSize windowSize{780, 640};
constexpr QPoint firstWindowOffset{80, 60};
constexpr int staggerStep = 10;

} // namespace

DraftWindowLayout::DraftWindowLayout(Draft& draft) : m_draft(draft) {}

DraftWindowLayout::~DraftWindowLayout() = default;

void DraftWindowLayout::build()
{
    m_window = new RVDraftWindow(&m_draft);
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->resize(windowSize);
    const QVariant alpha = UserDefaults::sharedInstance().value(QStringLiteral("alpha_draft"));
    m_window->setWindowOpacity(alpha.isValid() ? alpha.toDouble() : 1.0);
    QObject::connect(m_window, &QObject::destroyed, &m_draft, [this] { m_window = nullptr; });

    auto* central = new QWidget(m_window);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    buildSidePanel(central);
    row->addWidget(m_sideView);

    auto* content = new QWidget(central);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(8, 6, 8, 8);
    column->setSpacing(4);
    buildTitleArea(content);
    buildButtonBar(content);
    column->addWidget(m_titleView);
    column->addWidget(m_keywordView);
    column->addWidget(m_blogListView);
    column->addWidget(m_buttonView);
    buildNoticeBar(content);
    column->addWidget(m_noticeBar);

    buildEditingArea(content);
    column->addWidget(m_paneStack, 1);
    row->addWidget(content, 1);
    m_window->setCentralWidget(central);
}

void DraftWindowLayout::buildSidePanel(QWidget* parent)
{
    // The side panel holds the categories list (DraftCategories); empty, it stays hidden.
    m_sideView = new DraftSideView(parent);
    m_sideView->setFixedWidth(190);
    m_sideView->hide();
}

void DraftWindowLayout::buildTitleArea(QWidget* parent)
{
    const EntryPtr edited = m_draft.entry();
    m_titleField = new QLineEdit(parent);
    m_titleField->setObjectName(QStringLiteral("titleField"));
    m_titleField->setText(edited->title());
    QObject::connect(m_titleField, &QLineEdit::textEdited, &m_draft, [this](const QString& text) {
        if (const EntryPtr edited = m_draft.entry()) {
            m_updatingFields = true;
            edited->setTitle(text);
            m_updatingFields = false;
            updateWindowTitle();
            if (m_window)
                m_window->setWindowModified(true);
            emit m_draft.textEdited();
        }
    });
    m_titleView =
        new RVSubView(new QLabel(localized("Draft", "Title:"), parent), m_titleField, parent);

    m_keywordField = new QLineEdit(parent);
    m_keywordField->setObjectName(QStringLiteral("keywordField"));
    m_keywordField->setText(edited->keywords());
    QObject::connect(m_keywordField, &QLineEdit::textEdited, &m_draft, [this](const QString& text) {
        if (const EntryPtr edited = m_draft.entry()) {
            m_updatingFields = true;
            edited->setKeywords(text);
            m_updatingFields = false;
            if (m_window)
                m_window->setWindowModified(true);
            emit m_draft.textEdited();
        }
    });
    m_keywordView =
        new RVSubView(new QLabel(localized("Draft", "Keywords:"), parent), m_keywordField, parent);

    m_blogButton = new QToolButton(parent);
    m_blogButton->setObjectName(QStringLiteral("blogMenuButton"));
    m_blogButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_blogListView =
        new RVSubView(new QLabel(localized("Draft", "Blog:"), parent), m_blogButton, parent);
}

void DraftWindowLayout::buildButtonBar(QWidget* parent)
{
    m_buttonView = new QWidget(parent);
    auto* bar = new QHBoxLayout(m_buttonView);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(5);

    auto* commonBox = new QWidget(m_buttonView);
    auto* common = new QHBoxLayout(commonBox);
    common->setContentsMargins(0, 0, 0, 0);
    common->setSpacing(0);
    m_richButton = new QPushButton(localized("Draft", "Rich"), commonBox);
    m_htmlButton = new QPushButton(localized("Draft", "HTML"), commonBox);
    auto* kinds = new QButtonGroup(commonBox);
    for (QPushButton* button : {m_richButton, m_htmlButton}) {
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        kinds->addButton(button);
        common->addWidget(button);
    }
    kinds->setId(m_richButton, Draft::RichMode);
    kinds->setId(m_htmlButton, Draft::SourceMode);
    QObject::connect(kinds, &QButtonGroup::idClicked, &m_draft,
                     [this](int tag) { m_draft.switchEditor(tag); });
    bar->addWidget(commonBox);

    // The rich editor's style buttons and the custom-tag bar come with their
    // parts; the boxes stand ready, hidden.
    m_richButtonBox = new QWidget(m_buttonView);
    m_richButtonBox->setObjectName(QStringLiteral("richButtonBox"));
    m_richButtonBox->hide();
    bar->addWidget(m_richButtonBox);
    m_tagButtonView = new QWidget(m_buttonView);
    m_tagButtonView->setObjectName(QStringLiteral("tagButtonView"));
    m_tagButtonView->hide();
    bar->addWidget(m_tagButtonView, 1);
    bar->addStretch(1);
    m_formatPopup = new QComboBox(m_buttonView);
    m_formatPopup->setObjectName(QStringLiteral("formatPopup"));
    m_formatPopup->hide();
    bar->addWidget(m_formatPopup);
}

void DraftWindowLayout::buildNoticeBar(QWidget* parent)
{
    m_noticeBar = new QFrame(parent);
    m_noticeBar->setFrameShape(QFrame::StyledPanel);
    m_noticeBar->setAutoFillBackground(true);
    // A note: a wash of yellow over the window, its text readable on it.
    PaletteColors::setBackground(*m_noticeBar, QPalette::Window, QColor(255, 214, 10, 56),
                                 m_window->palette());
    auto* noteRow = new QHBoxLayout(m_noticeBar);
    noteRow->setContentsMargins(8, 4, 4, 4);
    m_noticeLabel = new QLabel(m_noticeBar);
    m_noticeLabel->setWordWrap(true);
    auto* dismiss = new QToolButton(m_noticeBar);
    dismiss->setText(QStringLiteral("×"));
    dismiss->setAutoRaise(true);
    dismiss->setToolTip(localized("Draft", "Hide this note"));
    QObject::connect(dismiss, &QToolButton::clicked, m_noticeBar, &QWidget::hide);
    noteRow->addWidget(m_noticeLabel, 1);
    noteRow->addWidget(dismiss, 0, Qt::AlignTop);
    m_noticeBar->hide();
}

void DraftWindowLayout::buildEditingArea(QWidget* parent)
{
    m_mainTabView = new QStackedWidget(parent);
    m_subTabView = new QStackedWidget(parent);
    m_draft.m_editors->build(m_mainTabView, m_subTabView);
    m_pluginTab = new QWidget(m_subTabView);
    auto* pluginLayout = new QVBoxLayout(m_pluginTab);
    pluginLayout->setContentsMargins(0, 0, 0, 0);
    m_subTabView->addWidget(m_pluginTab);

    m_paneStack = new DraftPaneStack(m_mainTabView, m_subTabView, parent);
    QObject::connect(m_paneStack, &DraftPaneStack::segmentChosen, &m_draft,
                     &Draft::toggleExtraEdit);
}

void DraftWindowLayout::showTabs()
{
    const int mode = m_draft.mode();
    m_mainTabView->setCurrentIndex(mode);
    m_subTabView->setCurrentIndex(m_draft.subTag() == Draft::PluginTag ? Draft::PluginTag : mode);
}

void DraftWindowLayout::updateButtons()
{
    const int mode = m_draft.mode();
    m_richButton->setChecked(mode == Draft::RichMode);
    m_htmlButton->setChecked(mode == Draft::SourceMode);
    m_richButton->setEnabled(m_draft.richEditorsAvailable());
    // The rich editor's own buttons show in rich mode only.
    m_richButtonBox->setVisible(mode == Draft::RichMode && m_draft.richEditorsAvailable());
}

void DraftWindowLayout::updateWindowTitle()
{
    if (!m_window)
        return;
    const EntryPtr edited = m_draft.entry();
    const QString name = edited ? edited->displayName() : QString();
    m_window->setWindowTitle((name.isEmpty() ? Genetic::untitled() : name) + QStringLiteral("[*]"));
}

void DraftWindowLayout::showWindow(const QList<Draft*>& others)
{
    if (!m_window)
        return;
    const QPointF topLeft = m_draft.restorePosition();
    if (!topLeft.isNull()) {
        m_window->move(topLeft.toPoint());
    } else {
        bool placed = false;
        for (auto it = others.crbegin(); it != others.crend(); ++it) {
            Draft* other = *it;
            if (other == &m_draft || !other->window() || !other->window()->isVisible())
                continue;
            const QPoint origin = other->window()->pos();
            if (origin.x() > 0 && origin.y() > 0) {
                m_window->move(origin + QPoint(staggerStep, staggerStep));
                placed = true;
            }
            break;
        }
        if (!placed) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            const QPoint corner = screen ? screen->availableGeometry().topLeft() : QPoint();
            m_window->move(corner + firstWindowOffset);
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_titleView->setActive();
}

void DraftWindowLayout::showNotice(const QString& text)
{
    m_noticeLabel->setText(text);
    m_noticeBar->show();
}

bool DraftWindowLayout::noticeShown() const
{
    return !m_noticeBar->isHidden();
}

QString DraftWindowLayout::noticeText() const
{
    return m_noticeBar && !m_noticeBar->isHidden() ? m_noticeLabel->text() : QString();
}

void DraftWindowLayout::setSidePanelContent(QWidget* content, bool shown)
{
    if (!content)
        return;
    if (!m_sideView->layout()) {
        auto* layout = new QVBoxLayout(m_sideView);
        layout->setContentsMargins(6, 6, 7, 6);
    }
    content->setParent(m_sideView);
    m_sideView->layout()->addWidget(content);
    m_sideView->setVisible(shown);
}

void DraftWindowLayout::showEntryFields(const Entry& entry, bool withKeywords)
{
    m_updatingFields = true;
    m_titleField->setText(entry.title());
    if (withKeywords)
        m_keywordField->setText(entry.keywords());
    m_updatingFields = false;
}
