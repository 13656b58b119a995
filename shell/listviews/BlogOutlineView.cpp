#include "BlogOutlineView.h"

#include "ColorViewSync.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "SelectionGradient.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QColorDialog>
#include <QPointer>

namespace {

// The one colour panel of the program, shared by every view that opens it.
QColorDialog* colorPanel()
{
    static QPointer<QColorDialog> panel;
    if (!panel) {
        panel = new QColorDialog;
        panel->setOption(QColorDialog::ShowAlphaChannel);
        panel->setOption(QColorDialog::NoButtons);
        panel->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    return panel;
}

} // namespace

BlogOutlineView::BlogOutlineView(QWidget* parent)
    : BlogOutlineView(UserDefaults::sharedInstance(), NotificationCenter::sharedInstance(), parent)
{
}

BlogOutlineView::BlogOutlineView(UserDefaults& defaults, NotificationCenter& center,
                                 QWidget* parent)
    : GradientOutlineView(parent), m_defaults(defaults), m_center(center)
{
    show(m_defaults.color(QString::fromLatin1(ColorViewSync::preferenceKey),
                          ColorViewSync::defaultColor));
    m_center.observe(QString::fromLatin1(ColorViewSync::colorChangedBySidePanels), this,
                     [this](const Notification& note) {
                         const QVariant color =
                             note.userInfo.value(QString::fromLatin1(ColorViewSync::colorKey));
                         if (color.canConvert<rv::Color>())
                             applyColor(color.value<rv::Color>());
                     });
}

BlogOutlineView::~BlogOutlineView()
{
    m_center.removeObserver(this);
}

QColor BlogOutlineView::makeSelectionColor(const QColor& background)
{
    return SelectionGradient::deepened(background);
}

void BlogOutlineView::show(const rv::Color& color)
{
    m_background = color;
    // The colour is the user's; a see-through one lies over the list's own
    // base, and the names take a colour that reads on it.
    const QPalette ground =
        parentWidget() ? parentWidget()->palette() : QApplication::palette(this);
    const QColor shown =
        PaletteColors::setBackground(*viewport(), QPalette::Base, color.toQColor(), ground);
    // The cells draw with the view's palette: it takes the same text colour.
    QPalette colors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colors.setColor(group, QPalette::Text, viewport()->palette().color(group, QPalette::Text));
    setPalette(colors);
    setSelectionColor(makeSelectionColor(shown));
    viewport()->update();
}

void BlogOutlineView::applyColor(const rv::Color& color)
{
    m_defaults.setColor(QString::fromLatin1(ColorViewSync::preferenceKey), color);
    show(color);
}

void BlogOutlineView::defaultColor()
{
    applyColor(ColorViewSync::defaultColor);
    m_center.post(QString::fromLatin1(ColorViewSync::colorChangedByLists), nullptr,
                  {{QString::fromLatin1(ColorViewSync::colorKey),
                    QVariant::fromValue(ColorViewSync::defaultColor)}});
}

void BlogOutlineView::changeColor()
{
    QColorDialog* panel = colorPanel();
    // The panel serves one view at a time, and presetting it sends nothing.
    static QMetaObject::Connection target;
    QObject::disconnect(target);
    panel->setCurrentColor(m_background.toQColor());
    target = connect(panel, &QColorDialog::currentColorChanged, this,
                     &BlogOutlineView::takeColorFromPanel);
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void BlogOutlineView::takeColorFromPanel(const QColor& picked)
{
    const rv::Color color = rv::Color::fromQColor(picked);
    applyColor(color);
    m_center.post(QString::fromLatin1(ColorViewSync::colorChangedByLists), nullptr,
                  {{QString::fromLatin1(ColorViewSync::colorKey), QVariant::fromValue(color)}});
}
