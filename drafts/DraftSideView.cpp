#include "DraftSideView.h"

#include "ColorViewSync.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>

namespace {

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

QVariantMap colorInfo(const QColor& color)
{
    return {{key(ColorViewSync::colorKey), QVariant::fromValue(rv::Color::fromQColor(color))}};
}

} // namespace

DraftSideView::DraftSideView(QWidget* parent) : QWidget(parent)
{
    m_bgColor = storedColor();
    NotificationCenter::sharedInstance().observe(
        key(ColorViewSync::colorChangedByLists), this,
        [this](const Notification& notification) { changeColorNotification(notification); });
    // The colour is the palette's window, filled before the hairline is drawn.
    setAutoFillBackground(true);
    showColor();
}

DraftSideView::~DraftSideView()
{
    NotificationCenter::sharedInstance().removeObserver(this);
}

QColor DraftSideView::defaultColor()
{
    return ColorViewSync::defaultColor.toQColor();
}

QColor DraftSideView::storedColor()
{
    return UserDefaults::sharedInstance()
        .color(key(ColorViewSync::preferenceKey), ColorViewSync::defaultColor)
        .toQColor();
}

QColor DraftSideView::notifiedColor(const Notification& notification)
{
    const QVariant color = notification.userInfo.value(key(ColorViewSync::colorKey));
    if (color.canConvert<rv::Color>())
        return color.value<rv::Color>().toQColor();
    if (color.canConvert<QColor>())
        return color.value<QColor>();
    return {};
}

QColor DraftSideView::separatorColor(const QPalette& palette)
{
    return palette.color(QPalette::Mid);
}

void DraftSideView::setBackgroundColor(const QColor& color)
{
    m_bgColor = color;
    showColor();
}

void DraftSideView::showColor()
{
    // The colour lies over the window; what the panel holds reads on it.
    const QPalette ground =
        parentWidget() ? parentWidget()->palette() : QApplication::palette(this);
    PaletteColors::setBackground(*this, QPalette::Window, m_bgColor, ground);
    update();
}

void DraftSideView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        showColor();
}

void DraftSideView::changeColor()
{
    if (!m_panel) {
        m_panel = new QColorDialog(this);
        m_panel->setOption(QColorDialog::ShowAlphaChannel);
        m_panel->setAttribute(Qt::WA_DeleteOnClose);
    }
    // The colour goes in before the panel is listened to, so setting it does
    // not count as a choice.
    m_panel->disconnect(this);
    m_panel->setCurrentColor(m_bgColor);
    connect(m_panel, &QColorDialog::currentColorChanged, this, &DraftSideView::doChangeColor);
    m_panel->show();
    m_panel->raise();
}

void DraftSideView::doChangeColor(const QColor& color)
{
    if (!color.isValid() || color.rgba64() == m_bgColor.rgba64())
        return;
    m_bgColor = color;
    UserDefaults::sharedInstance().setColor(key(ColorViewSync::preferenceKey),
                                            rv::Color::fromQColor(color));
    update();
    NotificationCenter::sharedInstance().post(key(ColorViewSync::colorChangedBySidePanels), nullptr,
                                              colorInfo(color));
}

void DraftSideView::defaultColorAction()
{
    const QColor color = defaultColor();
    applyColor(color);
    NotificationCenter::sharedInstance().post(key(ColorViewSync::colorChangedBySidePanels), nullptr,
                                              colorInfo(color));
}

void DraftSideView::applyColor(const QColor& color)
{
    if (!color.isValid())
        return;
    UserDefaults::sharedInstance().setColor(key(ColorViewSync::preferenceKey),
                                            rv::Color::fromQColor(color));
    setBackgroundColor(color);
}

void DraftSideView::changeColorNotification(const Notification& notification)
{
    applyColor(notifiedColor(notification));
}

void DraftSideView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The hairline faces the window's content: on the right edge of a panel
    // at the window's left edge, else on its left edge.
    const int x = geometry().x() == 0 ? width() - 1 : 0;
    painter.fillRect(QRect(x, 0, 1, height()), separatorColor(palette()));
}

void DraftSideView::contextMenuEvent(QContextMenuEvent* event)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(localized("DraftSideView", "Change Colour…"), this,
                    &DraftSideView::changeColor);
    menu->addAction(localized("DraftSideView", "Default Colour"), this,
                    &DraftSideView::defaultColorAction);
    menu->popup(event->globalPos());
}
