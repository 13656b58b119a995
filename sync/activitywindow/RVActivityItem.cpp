#include "RVActivityItem.h"

#include "ActivityItem.h"
#include "ActivityList.h"
#include "PaletteColors.h"
#include "SystemFont.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int ButtonSize = 14;
constexpr int BarHeight = 12;

const QFont& statusFont()
{
    static const QFont font = systemFontOfSize(11);
    return font;
}

const QFont& errorFont()
{
    static const QFont font = systemFontOfSize(10);
    return font;
}

const QFont& subStatusFont()
{
    static const QFont font = systemFontOfSize(9.5);
    return font;
}

} // namespace

RVActivityItem::RVActivityItem(QObject* parent)
    : QStyledItemDelegate(parent), m_background(QColor::fromRgbF(0.53f, 0.68f, 0.97f, 0.15f))
{
}

QColor RVActivityItem::groundOf(int row, bool selected, const QPalette& palette) const
{
    const QColor base = palette.color(QPalette::Base);
    if (selected)
        return PaletteColors::mixed(base, palette.color(QPalette::Active, QPalette::Highlight),
                                    0.45);
    return row % 2 == 1 ? base : PaletteColors::over(m_background, base);
}

QRect RVActivityItem::statusRect(const QRect& row)
{
    return QRect(row.x() + 6, row.y() + 2, row.width() - 6, 14);
}

QRect RVActivityItem::progressRect(const QRect& row)
{
    return QRect(row.x() + 6, row.y() + 20, row.width() - 30, BarHeight);
}

QRect RVActivityItem::stopButtonRect(const QRect& row)
{
    return QRect(row.x() + row.width() - 20, row.y() + 18, ButtonSize, ButtonSize);
}

QRect RVActivityItem::errorRect(const QRect& row)
{
    return QRect(row.x() + 6, row.y() + 18, row.width() - 30, 26);
}

QRect RVActivityItem::subStatusRect(const QRect& row)
{
    return QRect(row.x() + 6, row.y() + 34, row.width() - 30, 14);
}

QRect RVActivityItem::lookupButtonRect(const QRect& row)
{
    return QRect(row.x() + 7, row.y() + 32, ButtonSize, ButtonSize);
}

RVActivityItem::Button RVActivityItem::buttonAt(const QRect& row, const QPoint& point,
                                                bool errorRow)
{
    if (stopButtonRect(row).contains(point))
        return Button::Stop;
    if (errorRow && lookupButtonRect(row).contains(point))
        return Button::Lookup;
    return Button::None;
}

void RVActivityItem::setHovered(int row, Button button, Look look)
{
    m_hoverRow = row;
    m_hoverButton = button;
    m_hoverLook = look;
}

int RVActivityItem::requiredWidth(const QString& status)
{
    const int text = QFontMetrics(statusFont()).horizontalAdvance(status);
    return qMax(240, text + 100);
}

QPixmap RVActivityItem::buttonImage(Button button, bool errorRow, Look look, qreal devicePixelRatio)
{
    QPixmap image(QSize(ButtonSize, ButtonSize) * devicePixelRatio);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    if (button == Button::None)
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A round button, grey (orange for look-up), darker under the mouse and
    // darker still while pressed.
    QColor fill = button == Button::Lookup ? QColor(226, 134, 38) : QColor(158, 158, 158);
    if (look == Look::Rollover)
        fill = fill.darker(125);
    else if (look == Look::Pressed)
        fill = fill.darker(170);
    const QRectF disc(0.5, 0.5, ButtonSize - 1, ButtonSize - 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(disc);
    painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = disc.center();
    if (button == Button::Lookup) {
        // A magnifying glass.
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(c.x() - 1, c.y() - 1), 2.8, 2.8);
        painter.drawLine(QPointF(c.x() + 1.1, c.y() + 1.1), QPointF(c.x() + 3.6, c.y() + 3.6));
    } else if (errorRow) {
        // Clear: a cross.
        painter.drawLine(QPointF(c.x() - 3, c.y() - 3), QPointF(c.x() + 3, c.y() + 3));
        painter.drawLine(QPointF(c.x() + 3, c.y() - 3), QPointF(c.x() - 3, c.y() + 3));
    } else {
        // Stop: a square.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(c.x() - 2.75, c.y() - 2.75, 5.5, 5.5));
    }
    return image;
}

QSize RVActivityItem::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), rowHeight);
}

void RVActivityItem::paintProgress(QPainter& painter, const QRect& bar, const QModelIndex& index,
                                   const QColor& ground, const QColor& ink) const
{
    const bool determinate = index.data(ActivityList::DeterminateRole).toBool();
    const bool animated = index.data(ActivityList::AnimatedRole).toBool();
    const QRectF track = QRectF(bar).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(track, 3, 3);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient trough(track.topLeft(), track.bottomLeft());
    // A trough a shade apart from the row, light or dark.
    trough.setColorAt(0, PaletteColors::mixed(ground, ink, 0.16));
    trough.setColorAt(1, PaletteColors::mixed(ground, ink, 0.04));
    painter.fillPath(shape, trough);
    painter.setClipPath(shape);
    const QColor blue(88, 142, 220);
    if (determinate) {
        const double maximum = index.data(ActivityList::MaximumRole).toDouble();
        const double done = qBound(0.0, index.data(ActivityList::ProgressRole).toDouble(), maximum);
        QRectF filled = track;
        filled.setWidth(track.width() * (maximum > 0 ? done / maximum : 0));
        QLinearGradient fill(track.topLeft(), track.bottomLeft());
        fill.setColorAt(0, blue.lighter(130));
        fill.setColorAt(1, blue);
        painter.fillRect(filled, fill);
    } else {
        // Stripes that move while the job works, and stand while it is queued.
        const int shift = animated ? m_phase % 16 : 0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(animated ? blue.lighter(115) : PaletteColors::mixed(ground, ink, 0.3));
        for (qreal x = track.left() - 16 + shift; x < track.right() + 8; x += 16) {
            QPolygonF stripe;
            stripe << QPointF(x, track.bottom()) << QPointF(x + 8, track.bottom())
                   << QPointF(x + 8 + track.height(), track.top())
                   << QPointF(x + track.height(), track.top());
            painter.drawPolygon(stripe);
        }
    }
    painter.setClipping(false);
    painter.setPen(PaletteColors::mixed(ground, ink, 0.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.restore();
}

void RVActivityItem::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const
{
    const QRect row = option.rect;
    const bool selected = index.data(ActivityList::SelectedRole).toBool();
    const bool error =
        index.data(ActivityList::StateRole).toInt() == static_cast<int>(ActivityItem::State::Error);
    const QColor ground = groundOf(index.row(), selected, option.palette);
    painter->fillRect(row, ground);
    const QColor ink = PaletteColors::readableOn(
        ground, m_text.isValid() ? m_text : option.palette.color(QPalette::Text));

    painter->save();
    painter->setPen(ink);
    painter->setFont(statusFont());
    const QRect status = statusRect(row);
    painter->drawText(status, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(statusFont())
                          .elidedText(index.data(ActivityList::StatusRole).toString(),
                                      Qt::ElideRight, status.width()));

    if (error) {
        painter->setFont(errorFont());
        painter->setPen(PaletteColors::readableVariant(Qt::red, ground));
        const QRect line = errorRect(row);
        const QString text = index.data(ActivityList::ErrorTextRole).toString();
        // As many lines as fit above the sub-status line, the last cut at its
        // end; the whole message is the line's tool tip.
        const QFontMetrics metrics(errorFont());
        const int lines = qMax(1, (subStatusRect(row).top() - line.top()) / metrics.lineSpacing());
        QString shown;
        QString rest = text;
        for (int i = 0; i < lines && !rest.isEmpty(); ++i) {
            if (i == lines - 1) {
                shown += metrics.elidedText(rest, Qt::ElideRight, line.width());
                break;
            }
            int fit = 0;
            for (int end = 1; end <= rest.size(); ++end) {
                if (metrics.horizontalAdvance(rest.left(end)) > line.width())
                    break;
                if (end == rest.size() || rest.at(end).isSpace())
                    fit = end;
            }
            if (fit == 0)
                fit = int(rest.size());
            shown += rest.left(fit) + QLatin1Char('\n');
            rest = rest.mid(fit).trimmed();
        }
        painter->drawText(line, Qt::AlignLeft | Qt::AlignTop, shown.trimmed());
    } else {
        paintProgress(*painter, progressRect(row), index, ground, ink);
    }

    painter->setFont(subStatusFont());
    painter->setPen(PaletteColors::mixed(ink, ground, 0.25));
    QRect sub = subStatusRect(row);
    QString subStatus = index.data(ActivityList::SubStatusRole).toString();
    if (error) {
        // The text's leading spaces leave room for the look-up button: start after it.
        sub.setLeft(lookupButtonRect(row).right() + 4);
        subStatus = subStatus.trimmed();
    }
    painter->drawText(
        sub, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(subStatusFont()).elidedText(subStatus, Qt::ElideRight, sub.width()));

    const qreal ratio = painter->device()->devicePixelRatioF();
    auto lookOf = [&](Button button) {
        return m_hoverRow == index.row() && m_hoverButton == button ? m_hoverLook : Look::Normal;
    };
    painter->drawPixmap(stopButtonRect(row),
                        buttonImage(Button::Stop, error, lookOf(Button::Stop), ratio));
    if (error)
        painter->drawPixmap(lookupButtonRect(row),
                            buttonImage(Button::Lookup, true, lookOf(Button::Lookup), ratio));
    painter->restore();
}
