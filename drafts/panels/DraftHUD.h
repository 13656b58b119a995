// The overlay of a draft window in which its heads-up panels show, one at a time.
#pragma once

#include <QPointer>
#include <QWidget>

class RVAnimView;
class QMainWindow;

// A transparent layer over the draft window's content that shows one
// heads-up panel at a time, centred, with a transition: style 1 when none
// showed, style 6 when it replaces another. Escape closes the panel as its
// Done button does. The layer lives inside the window (no window of its own:
// the desktop places no child windows on Wayland) and follows the window's
// size.
class DraftHUD : public QWidget {
    Q_OBJECT
public:
    static constexpr int appearStyle = 1;
    static constexpr int swapStyle = 6;

    explicit DraftHUD(QMainWindow* window);
    ~DraftHUD() override;

    // Takes `panel` into the layer (hidden); `done` closes it as its Done button does.
    void addPanel(QWidget* panel, std::function<void()> done);
    // Shows `panel` (one of those added): nothing when it shows already;
    // replaces another one. Answers whether it was opened now.
    bool open(QWidget* panel);
    // Hides the panel shown and the layer.
    void close();
    // Escape: the shown panel's done.
    void finishShown();

    QWidget* shownPanel() const { return m_shown; }
    // The transition style of the last opening; 0 before any.
    int lastTransitionStyle() const { return m_lastStyle; }
    // Transitions play unless turned off (tests).
    void setTransitionsEnabled(bool enabled) { m_animated = enabled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Page {
        QWidget* page;
        QWidget* panel;
        std::function<void()> done;
    };
    Page* pageOf(QWidget* panel);
    void followWindow();
    void transition(QWidget* startPage, QWidget* endPage, int style);

    QPointer<QMainWindow> m_window;
    QList<Page> m_pages;
    QWidget* m_blank;
    RVAnimView* m_animView = nullptr;
    QPointer<QWidget> m_shown;
    // What had the focus in the window before the first panel opened.
    QPointer<QWidget> m_focusBefore;
    int m_lastStyle = 0;
    bool m_animated = true;
};
