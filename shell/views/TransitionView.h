#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// The screen flash: a white flash over a picture of the whole screen while
// the program's icon shrinks into it, about 2.25 s long. When it is over (or
// at once, when the screen cannot be captured, as on Wayland) it posts
// "transitionDone" with its delegate as object.
class TransitionView : public QWidget {
    Q_OBJECT
public:
    explicit TransitionView(QWidget* parent = nullptr);

    void setDelegate(QObject* delegate) { m_delegate = delegate; }
    void setCoverImage(const QImage& image) { m_logoImg = image; }
    void setSourceImage(const QImage& image) { m_sourceImage = image; }
    // A null picture is ignored.
    void setScreenCapture(const QImage& capture);
    QImage sourceImage() const { return m_sourceImage; }

    // Covers the primary screen's available area, captures it and starts the
    // flash.
    void setupTransition();

    // Replaces the screen capture (tests; a platform without one).
    void setScreenCaptureFunction(std::function<QImage(const QRect& area)> capture);

    // The flash frame at phase t (0 to 0.9 over the run) over `capture`.
    static QImage imageAtTime(const QImage& capture, double t);
    // Draws the whole view at phase t.
    void paintAt(QPainter& painter, double t) const;

    bool isRunning() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void timerFired();
    double phase() const;
    void finish();

    QImage m_sourceImage, m_logoImg;
    QPointer<QObject> m_delegate;
    QElapsedTimer m_base;
    QTimer m_timer;
    std::function<QImage(const QRect&)> m_capture;
};

// Runs the screen flash in a window of its own and calls back when it ends.
// Made once by its user and started again as often as needed.
class TransitionController : public QObject {
    Q_OBJECT
public:
    explicit TransitionController(QObject* delegate = nullptr);
    ~TransitionController() override;

    // Plays the flash, then calls `end` (once) with this controller.
    void start(std::function<void(TransitionController*)> end);

    TransitionView* view() const { return m_view; }

private:
    void transitionDone();

    QPointer<QObject> m_delegate;
    TransitionView* m_view;
    std::function<void(TransitionController*)> m_end;
};
