#include "RVSplitterButton.h"

#include "PaletteColors.h"
#include "UserDefaults.h"

#include <QMouseEvent>
#include <QPainter>
#include <functional>

namespace {

// The grip: with Control held it is an ordinary button (a click toggles the
// side view); otherwise every move of a press reports how far the mouse went
// left since the last one.
class SplitterGrip : public QAbstractButton {
public:
    explicit SplitterGrip(QWidget* parent) : QAbstractButton(parent)
    {
        setCursor(Qt::SplitHCursor);
        setFocusPolicy(Qt::NoFocus);
        setToolTip(QObject::tr("Drag to resize the list; Control-click to hide it"));
    }

    // Told each drag step, in points (positive when the mouse went left).
    void setMovedBy(std::function<void(int)> movedBy) { m_movedBy = std::move(movedBy); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        // The palette's button, pressed a shade darker, and its grip lines in
        // the button's text colour, softened.
        const QPalette& colors = palette();
        painter.setPen(colors.color(QPalette::Mid));
        painter.setBrush(isDown() ? colors.color(QPalette::Mid) : colors.color(QPalette::Button));
        painter.drawRoundedRect(frame, 3, 3);
        painter.setPen(PaletteColors::mixed(colors.color(QPalette::ButtonText),
                                            colors.color(QPalette::Button), 0.35));
        const int middle = width() / 2;
        for (int x : {middle - 3, middle, middle + 3})
            painter.drawLine(x, 5, x, height() - 6);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        m_tracking = !(event->modifiers() & Qt::ControlModifier);
        if (!m_tracking) {
            QAbstractButton::mousePressEvent(event);
            return;
        }
        m_lastX = event->globalPosition().x();
        event->accept();
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!m_tracking) {
            QAbstractButton::mouseMoveEvent(event);
            return;
        }
        report(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (!m_tracking) {
            QAbstractButton::mouseReleaseEvent(event);
            return;
        }
        report(event);
        m_tracking = false;
    }

private:
    void report(QMouseEvent* event)
    {
        const qreal x = event->globalPosition().x();
        const int moved = qRound(m_lastX - x);
        m_lastX = x;
        if (moved != 0 && m_movedBy)
            m_movedBy(moved);
        event->accept();
    }

    std::function<void(int)> m_movedBy;
    bool m_tracking = false;
    qreal m_lastX = 0;
};

} // namespace

RVSplitterButton::Layout RVSplitterButton::layoutFor(const QRect& area, bool sideShown,
                                                     int sideWidth, Edge edge, QSize button)
{
    Layout layout;
    if (!sideShown) {
        layout.main = area;
        return layout;
    }
    const int mainWidth = area.width() - sideWidth;
    const int buttonY = area.bottom() + 1 - button.height() - 2;
    if (edge == Edge::Left) {
        layout.side = QRect(area.x(), area.y(), sideWidth, area.height());
        layout.main = QRect(area.x() + sideWidth, area.y(), mainWidth, area.height());
        layout.button =
            QRect(QPoint(layout.side.right() + 1 - button.width() - buttonGap, buttonY), button);
    } else {
        layout.main = QRect(area.x(), area.y(), mainWidth, area.height());
        layout.side = QRect(area.x() + mainWidth, area.y(), sideWidth, area.height());
        layout.button = QRect(QPoint(layout.side.x() + buttonGap, buttonY), button);
    }
    return layout;
}

int RVSplitterButton::growthToShow(int mainWidth, int sideWidth)
{
    const int remaining = mainWidth - sideWidth;
    return remaining < minimumMainWidth ? minimumMainWidth - remaining : 0;
}

RVSplitterButton::DragStep RVSplitterButton::dragStep(int sideWidth, int mainWidth, int movedBy,
                                                      Edge edge)
{
    const int side = edge == Edge::Left ? sideWidth - movedBy : sideWidth + movedBy;
    const int main = edge == Edge::Left ? mainWidth + movedBy : mainWidth - movedBy;
    if (side < minimumSideWidth)
        return {DragStep::Refused, sideWidth};
    if (main < minimumMainWidth)
        return {DragStep::Flipped, minimumSideWidth};
    return {DragStep::Resized, side};
}

RVSplitterButton::RVSplitterButton(const QString& title, QWidget* sideView, QWidget* mainView,
                                   QWidget* parent, UserDefaults* defaults)
    : QWidget(parent), m_title(title),
      m_defaults(defaults ? *defaults : UserDefaults::sharedInstance()), m_side(sideView),
      m_main(mainView)
{
    m_main->setParent(this);
    m_side->setParent(this);
    m_side->hide();
    auto* grip = new SplitterGrip(this);
    grip->setMovedBy([this](int moved) { resizeViews(moved); });
    connect(grip, &QAbstractButton::clicked, this, [this] { toggleViews(); });
    grip->resize(buttonSize);
    grip->hide();
    m_button = grip;

    const double saved = m_defaults.real(sizeKey(m_title));
    m_sideWidth = saved > 0 ? qMax(minimumSideWidth, qRound(saved)) : defaultSideWidth;
    m_edge = m_defaults.integer(positionKey(m_title)) == 1 ? Edge::Right : Edge::Left;
    layoutViews();
}

RVSplitterButton::~RVSplitterButton() = default;

void RVSplitterButton::restoreFromPrefs()
{
    if (m_defaults.integer(stateKey(m_title)) != 0)
        return;
    if (m_shouldDisplay && !m_shouldDisplay())
        return;
    if (!m_shown)
        toggleViews();
}

int RVSplitterButton::mainWidthNow() const
{
    return m_shown ? width() - m_sideWidth : width();
}

void RVSplitterButton::toggleViews()
{
    if (m_shown) {
        m_shown = false;
        m_defaults.setValue(stateKey(m_title), 1);
    } else {
        const double saved = m_defaults.real(sizeKey(m_title));
        m_sideWidth = saved > 0 ? qMax(minimumSideWidth, qRound(saved)) : defaultSideWidth;
        m_edge = m_defaults.integer(positionKey(m_title)) == 1 ? Edge::Right : Edge::Left;
        const int growth = growthToShow(width(), m_sideWidth);
        m_shown = true;
        if (growth > 0) {
            const int wanted = width() + growth;
            QWidget* top = window();
            top->resize(top->width() + growth, top->height());
            // A window not yet shown lays its children out only when it shows.
            if (width() < wanted)
                resize(wanted, height());
        }
        m_defaults.setValue(stateKey(m_title), 0);
    }
    applyMinimumWindowSize();
    layoutViews();
    emit sideShownChanged(m_shown);
}

void RVSplitterButton::resizeViews(int movedBy)
{
    if (!m_shown)
        return;
    const DragStep step = dragStep(m_sideWidth, mainWidthNow(), movedBy, m_edge);
    switch (step.kind) {
    case DragStep::Refused:
        return;
    case DragStep::Flipped:
        moveViews();
        return;
    case DragStep::Resized:
        m_sideWidth = step.sideWidth;
        m_defaults.setValue(sizeKey(m_title), double(m_sideWidth));
        layoutViews();
        return;
    }
}

void RVSplitterButton::moveViews(std::optional<Edge> edge)
{
    if (!edge) {
        edge = m_edge == Edge::Left ? Edge::Right : Edge::Left;
        m_sideWidth = minimumSideWidth;
    }
    m_edge = *edge;
    m_defaults.setValue(positionKey(m_title), int(m_edge));
    layoutViews();
}

void RVSplitterButton::applyMinimumWindowSize()
{
    QWidget* top = window();
    if (top == this)
        return;
    const QSize wanted = m_shown ? minimumWindowWithSide : minimumWindowWithoutSide;
    top->setMinimumSize(wanted.boundedTo(top->maximumSize()));
}

void RVSplitterButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutViews();
}

void RVSplitterButton::layoutViews()
{
    const Layout layout = layoutFor(rect(), m_shown, m_sideWidth, m_edge, m_button->size());
    m_main->setGeometry(layout.main);
    m_side->setVisible(m_shown);
    m_button->setVisible(m_shown);
    if (m_shown) {
        m_side->setGeometry(layout.side);
        m_button->setGeometry(layout.button);
        m_button->raise();
    }
}
