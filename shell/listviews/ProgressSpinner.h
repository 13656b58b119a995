#pragma once

#include "Clock.h"

#include <QObject>
#include <QPixmap>
#include <memory>

// The small turning wheel that busy accounts show in the outline. One
// spinner serves every row: it turns only while someone has asked it to
// (start/stop count), and each turn announces frameAdvanced() so the views
// repaint the rows that show it.
class ProgressSpinner : public QObject {
    Q_OBJECT
public:
    static constexpr int frameCount = 12;
    static constexpr qint64 frameInterval = 80;

    explicit ProgressSpinner(QObject* parent = nullptr);
    ~ProgressSpinner() override;

    static ProgressSpinner& sharedInstance();

    void setClock(Clock* clock) { m_clock = clock ? clock : &Clock::system(); }
    void start();
    void stop();
    bool isSpinning() const { return m_users > 0; }
    int frame() const { return m_frame; }

    // The picture of the current frame, `size` points square.
    QPixmap image(int size = 16, qreal devicePixelRatio = 1) const;
    // Frame `frame` of a turn in `frames` steps (the wheel's twelve spokes
    // turn by a twelfth of a turn per frame when `frames` is 12, by half of
    // that when it is 24). The spokes take `color`, fading behind the leading one.
    static QPixmap imageOfFrame(int frame, int size, qreal devicePixelRatio = 1,
                                int frames = frameCount, const QColor& color = QColor(60, 60, 60));

signals:
    void frameAdvanced(int frame);

private:
    void advance();

    Clock* m_clock = &Clock::system();
    std::unique_ptr<Clock::Timer> m_timer;
    int m_users = 0;
    int m_frame = 0;
};
