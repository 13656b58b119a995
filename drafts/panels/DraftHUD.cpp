// The overlay of a draft window in which its heads-up panels show, one at a time.
#include "DraftHUD.h"

#include "RVAnimView.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QMainWindow>
#include <QPainter>
#include <QShortcut>

DraftHUD::DraftHUD(QMainWindow* window) : QWidget(window), m_window(window)
{
    setObjectName(QStringLiteral("draftHUD"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_blank = new QWidget(this);
    m_blank->hide();
    hide();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &DraftHUD::finishShown);
    if (window)
        window->installEventFilter(this);
    // The panels' heads-up look: dark, a little translucent, light text.
    setStyleSheet(QStringLiteral(
        "QFrame#datePanel, QFrame#trackbackPanel, QFrame#statisticsPanel {"
        " background: rgba(30, 30, 30, 225); border-radius: 10px; }"
        "QFrame#datePanel QLabel, QFrame#trackbackPanel QLabel, QFrame#statisticsPanel QLabel {"
        " color: #f2f2f2; background: transparent; }"
        "QLabel#hudTitle { font-weight: bold; }"
        "QLabel#hudRefusal { color: #ffb4a8; }"
        "QFrame#trackbackPanel QTableWidget { background: rgba(0, 0, 0, 166); color: #f2f2f2;"
        " gridline-color: rgba(255, 255, 255, 40); }"
        "QFrame#trackbackPanel QHeaderView::section { background: rgba(70, 70, 70, 230);"
        " color: #f2f2f2; border: none; padding: 3px; }"));
}

DraftHUD::~DraftHUD() = default;

void DraftHUD::addPanel(QWidget* panel, std::function<void()> done)
{
    auto* page = new QWidget(this);
    auto* layout = new QGridLayout(page);
    panel->setParent(page);
    layout->addWidget(panel, 0, 0, Qt::AlignCenter);
    page->hide();
    m_pages.append({page, panel, std::move(done)});
}

DraftHUD::Page* DraftHUD::pageOf(QWidget* panel)
{
    for (Page& page : m_pages) {
        if (page.panel == panel)
            return &page;
    }
    return nullptr;
}

bool DraftHUD::open(QWidget* panel)
{
    Page* target = pageOf(panel);
    if (!target || m_shown == panel)
        return false;
    Page* current = m_shown ? pageOf(m_shown) : nullptr;
    const bool swapping = current != nullptr;
    if (!swapping) {
        QWidget* focused = QApplication::focusWidget();
        m_focusBefore =
            focused && m_window && m_window->isAncestorOf(focused) && !isAncestorOf(focused)
                ? focused
                : nullptr;
    }
    followWindow();
    show();
    raise();
    QWidget* start = swapping ? current->page : m_blank;
    target->page->setGeometry(rect());
    m_blank->setGeometry(rect());
    target->page->show();
    if (target->page->layout())
        target->page->layout()->activate();
    m_lastStyle = swapping ? swapStyle : appearStyle;
    transition(start, target->page, m_lastStyle);
    if (current)
        current->page->hide();
    target->page->show();
    target->page->raise();
    m_shown = panel;
    panel->setFocus(Qt::OtherFocusReason);
    return true;
}

void DraftHUD::transition(QWidget* startPage, QWidget* endPage, int style)
{
    if (!m_animated || !isVisible())
        return;
    if (!m_animView)
        m_animView = new RVAnimView(this);
    m_animView->setGeometry(rect());
    m_animView->prepareAnimation(startPage, endPage, style);
    startPage->hide();
    endPage->hide();
    m_animView->show();
    m_animView->raise();
    m_animView->startAnimation();
    m_animView->hide();
}

void DraftHUD::close()
{
    if (Page* current = m_shown ? pageOf(m_shown) : nullptr)
        current->page->hide();
    m_shown = nullptr;
    hide();
    // The window's own editing area takes the keys again.
    if (m_focusBefore)
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    else if (m_window)
        m_window->setFocus(Qt::OtherFocusReason);
}

void DraftHUD::finishShown()
{
    if (Page* current = m_shown ? pageOf(m_shown) : nullptr) {
        if (current->done)
            current->done();
        else
            close();
    }
}

void DraftHUD::followWindow()
{
    if (!m_window)
        return;
    QWidget* content = m_window->centralWidget();
    const QRect area = content ? content->geometry() : m_window->rect();
    setGeometry(area);
    for (const Page& page : m_pages)
        page.page->setGeometry(rect());
}

bool DraftHUD::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Resize && isVisible())
        followWindow();
    return QWidget::eventFilter(watched, event);
}

void DraftHUD::paintEvent(QPaintEvent*)
{
    // A light veil, so the panel reads as laid over the post.
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 48));
}
