#pragma once

#include <QWidget>

class Transition;

// A view that plays a transition from one view to another in its own place:
// the draft window's small panels change through it. It draws nothing until
// prepared, and only the effect while it runs.
class RVAnimView : public QWidget {
    Q_OBJECT
public:
    explicit RVAnimView(QWidget* parent = nullptr);

    // Takes the pictures of both views for effect `style` and then the end
    // view's geometry as its own (both views share this view's parent).
    void prepareAnimation(QWidget* startView, QWidget* endView, int style);
    // Plays the effect; returns when it is over.
    void startAnimation();

    Transition* transition() const { return m_transition; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Transition* m_transition = nullptr;
};
