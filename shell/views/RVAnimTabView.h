#pragma once

#include "ViewExtensions.h"

#include <QColor>
#include <QStackedWidget>

class Transition;

// Pages that change with a transition effect: selectTabViewItem() plays
// transitionStyle (views::TransitionStyle; a style outside 0 to 9 shows the
// new page at once). With `background` on, the view paints bgColor behind its
// pages, in the pictures too.
class RVAnimTabView : public QStackedWidget, public views::TransitionBackground {
    Q_OBJECT
public:
    explicit RVAnimTabView(QWidget* parent = nullptr);

    int transitionStyle() const { return m_transitionStyle; }
    void setTransitionStyle(int style) { m_transitionStyle = style; }
    bool background() const { return m_background; }
    void setBackground(bool on);
    // The colour set, else the palette's window.
    QColor bgColor() const
    {
        return m_bgColor.isValid() ? m_bgColor : palette().color(QPalette::Window);
    }
    void setBgColor(const QColor& color);

    Transition* transition() const { return m_transition; }

    // Shows `page` (one of the view's pages) after playing the transition.
    // Returns when the effect is over.
    void selectTabViewItem(QWidget* page);
    void selectTabViewItemAt(int index);

    void drawBackground(QPainter& painter, const QRect& rect) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_transitionStyle = 0;
    bool m_background = false;
    QColor m_bgColor;
    Transition* m_transition;
};
