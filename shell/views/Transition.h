#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>

class QPainter;
class QWidget;

// Plays one of the ten transition effects (views::TransitionStyle) between a
// picture of an initial view and one of a final view inside a host widget.
// The host paints the frame with draw() while isAnimating().
//
// start() plays the effect to its end before returning, in 0.5 s on an
// ease-in-out curve: a local paint loop repaints the host at once for every
// frame and handles no event in between, so user input waits until the effect
// is over and nothing re-enters. Main thread only.
class Transition : public QObject {
    Q_OBJECT
public:
    static constexpr int DurationMs = 500;

    // `host` is not owned; it gives the canvas size and is repainted each frame.
    explicit Transition(QWidget* host);
    ~Transition() override;

    void setStyle(int style, double direction);
    int style() const { return m_style; }
    double direction() const { return m_direction; }

    // Take the pictures (views::createCoreImage) of `view` for the host.
    void setInitialView(QWidget* view);
    void setFinalView(QWidget* view);
    void setInitialImage(const QImage& picture) { m_initialImage = picture; }
    void setFinalImage(const QImage& picture) { m_finalImage = picture; }

    // Plays the effect; a style outside 0 to 9 returns at once and leaves the
    // pictures in place. Afterwards the pictures are released (reset()).
    void start();
    // Draws the current frame into the host.
    void draw(QPainter& painter, const QRectF& rect) const;
    bool isAnimating() const { return m_animating; }
    // The eased time of the frame being drawn, 0..1.
    double progress() const { return m_progress; }
    void reset();

    // The ease-in-out curve over linear progress 0..1.
    static double eased(double linear);

private:
    QPointer<QWidget> m_host;
    int m_style = 0;
    double m_direction = 1.0;
    QImage m_initialImage, m_finalImage;
    bool m_animating = false;
    double m_progress = 0;
};
