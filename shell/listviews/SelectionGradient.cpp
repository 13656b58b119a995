#include "SelectionGradient.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace SelectionGradient {

namespace {

struct Hsb {
    float hue, saturation, brightness, alpha;
};

Hsb hsbOf(const QColor& color)
{
    Hsb hsb{};
    color.toRgb().getHsvF(&hsb.hue, &hsb.saturation, &hsb.brightness, &hsb.alpha);
    if (hsb.hue < 0) // a grey has no hue
        hsb.hue = 0;
    return hsb;
}

QColor fromHsb(float hue, float saturation, float brightness, float alpha)
{
    return QColor::fromHsvF(hue, std::clamp(saturation, 0.0f, 1.0f),
                            std::clamp(brightness, 0.0f, 1.0f), alpha)
        .toRgb();
}

} // namespace

QColor light(const QColor& base)
{
    const Hsb c = hsbOf(base);
    return fromHsb(c.hue, std::max(c.saturation - 0.12f, 0.0f), std::min(c.brightness + 0.3f, 1.0f),
                   c.alpha);
}

QColor dark(const QColor& base)
{
    const Hsb c = hsbOf(base);
    return fromHsb(c.hue, c.saturation > 0.04f ? std::min(c.saturation + 0.12f, 1.0f) : 0.0f,
                   std::max(c.brightness - 0.045f, 0.0f), c.alpha);
}

QColor deepened(const QColor& color)
{
    const Hsb c = hsbOf(color);
    return fromHsb(c.hue, c.saturation > 0.04f ? std::min(1.0f, c.saturation + 0.2f) : 0.0f,
                   std::max(0.0f, c.brightness - 0.065f), c.alpha);
}

QColor grey(const QColor& color)
{
    const QColor rgb = color.toRgb();
    const float white = 0.30f * rgb.redF() + 0.59f * rgb.greenF() + 0.11f * rgb.blueF();
    return QColor::fromRgbF(white, white, white, rgb.alphaF());
}

QList<QRect> runs(QList<QRect> rows)
{
    std::sort(rows.begin(), rows.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    QList<QRect> joined;
    for (const QRect& row : std::as_const(rows)) {
        if (!joined.isEmpty() && row.top() <= joined.last().bottom() + 1)
            joined.last() = joined.last().united(row);
        else
            joined.append(row);
    }
    return joined;
}

void paintRun(QPainter& painter, const QRect& run, const QColor& base, bool active)
{
    QColor top = base;
    QColor from = light(base);
    QColor to = dark(base);
    if (!active) {
        top = grey(top);
        from = grey(from);
        to = grey(to);
    }
    painter.fillRect(QRect(run.left(), run.top(), run.width(), 1), top);
    const QRect rest(run.left(), run.top() + 1, run.width(), run.height() - 1);
    if (rest.height() <= 0)
        return;
    QLinearGradient gradient(QPointF(0, rest.top()), QPointF(0, rest.top() + rest.height()));
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    gradient.setSpread(QGradient::PadSpread);
    painter.fillRect(rest, gradient);
}

void paintSelection(QPainter& painter, const QAbstractItemView& view, const QColor& base)
{
    const QItemSelectionModel* selection = view.selectionModel();
    if (!selection)
        return;
    const int width = view.viewport()->width();
    // Every selected row, seen or not: a run's gradient spans the whole run
    // however far it is scrolled.
    QList<QRect> rows;
    for (const QModelIndex& index : selection->selectedIndexes()) {
        const QRect cell = view.visualRect(index);
        if (cell.isEmpty())
            continue;
        rows.append(QRect(0, cell.top(), width, cell.height()));
    }
    const bool active = view.isActiveWindow();
    for (const QRect& run : runs(rows))
        paintRun(painter, run, base, active);
}

void takeOverSelection(QAbstractItemView& view)
{
    view.viewport()->setAutoFillBackground(true);
    QPalette colors = view.palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        colors.setColor(group, QPalette::Highlight, Qt::transparent);
    view.setPalette(colors);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
}

bool swallowsFirstClick(bool acceptsFirstMouse)
{
    return acceptsFirstMouse && QGuiApplication::applicationState() != Qt::ApplicationActive;
}

} // namespace SelectionGradient
