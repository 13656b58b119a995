#pragma once

#include "ActivityList.h"
#include "RVActivityItem.h"

#include <QListView>
#include <QPointer>

class QTimer;

// The list of the Activity window: one 50-point row per job of an
// ActivityList, oldest at the top. Clicks, Shift- and Control-clicks and the
// arrow, Backspace and Delete keys go to the list's selection rules; a click
// below the rows deselects everything. The stop (or clear) and look-up
// buttons of a row light up under the mouse while the window is active, and
// act when released over them.
class RVActivityView : public QListView {
    Q_OBJECT
public:
    explicit RVActivityView(QWidget* parent = nullptr);
    ~RVActivityView() override;

    void setActivityList(ActivityList* list);
    ActivityList* activityList() const { return m_list; }
    RVActivityItem* rowDelegate() const { return m_delegate; }

    QColor backgroundColor() const { return m_delegate->backgroundColor(); }
    void setBackgroundColor(const QColor& color);
    QColor textColor() const { return m_delegate->textColor(); }
    void setTextColor(const QColor& color);

    // The height all rows take (one row's when there are none), and the
    // width the widest status line needs (240 at least).
    int requiredHeight() const;
    int requiredWidth() const;

    // The rectangle of a row in the viewport.
    QRect rowRect(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Hit {
        int row = -1;
        RVActivityItem::Button button = RVActivityItem::Button::None;
    };
    Hit hitAt(const QPoint& position) const;
    bool isErrorRow(int row) const;
    void setHover(const Hit& hit, RVActivityItem::Look look);
    void press(const Hit& hit);
    void animate();
    void updateAnimation();

    QPointer<ActivityList> m_list;
    RVActivityItem* m_delegate;
    Hit m_hover;
    Hit m_pressed;
    QTimer* m_animation;
    int m_phase = 0;
};
