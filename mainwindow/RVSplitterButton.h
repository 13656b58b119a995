#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class UserDefaults;

// Holds a side view (the accounts outline) beside a main view and a small
// grip button at the foot of the side view. A click on the grip with Control
// held (or toggleViews() from a command) shows or hides the side view; a drag
// of the grip resizes the side view against the main view; dragging the main
// view below its minimum puts the side view on the other edge. Whether it
// shows, its width and its edge are kept in the user defaults under the
// title + "_state", "_size" and "_pos".
class RVSplitterButton : public QWidget {
    Q_OBJECT
public:
    enum class Edge { Left = 0, Right = 1 };

    static constexpr int minimumSideWidth = 126;
    static constexpr int minimumMainWidth = 320;
    static constexpr int defaultSideWidth = 150;
    static constexpr int buttonGap = 5;
    static constexpr QSize buttonSize{18, 20};
    static constexpr QSize minimumWindowWithSide{446, 380};
    static constexpr QSize minimumWindowWithoutSide{320, 380};

    // Where everything goes in `area`: the side view `sideWidth` wide on its
    // edge (an empty rectangle while hidden), the main view in the rest, the
    // button at the foot of the side view, `buttonGap` in from its inner edge.
    struct Layout {
        QRect side;
        QRect main;
        QRect button;
        friend bool operator==(const Layout&, const Layout&) = default;
    };
    static Layout layoutFor(const QRect& area, bool sideShown, int sideWidth, Edge edge,
                            QSize button = buttonSize);

    // How much wider the window must grow to show a side view `sideWidth`
    // wide beside a main view now `mainWidth` wide.
    static int growthToShow(int mainWidth, int sideWidth);

    // One drag step of `movedBy` points (positive when the mouse went left).
    struct DragStep {
        enum Kind { Refused, Resized, Flipped } kind = Refused;
        int sideWidth = 0;
        friend bool operator==(const DragStep&, const DragStep&) = default;
    };
    static DragStep dragStep(int sideWidth, int mainWidth, int movedBy, Edge edge);

    // The keys for a title.
    static QString stateKey(const QString& title) { return title + QStringLiteral("_state"); }
    static QString sizeKey(const QString& title) { return title + QStringLiteral("_size"); }
    static QString positionKey(const QString& title) { return title + QStringLiteral("_pos"); }

    RVSplitterButton(const QString& title, QWidget* sideView, QWidget* mainView,
                     QWidget* parent = nullptr, UserDefaults* defaults = nullptr);
    ~RVSplitterButton() override;

    QString title() const { return m_title; }
    QWidget* sideView() const { return m_side; }
    QWidget* mainView() const { return m_main; }
    QAbstractButton* button() const { return m_button; }

    // Asked at start-up before the side view is shown; false keeps it hidden.
    void setShouldDisplaySidebar(std::function<bool()> ask) { m_shouldDisplay = std::move(ask); }

    bool isSideShown() const { return m_shown; }
    Edge edge() const { return m_edge; }
    int sideWidth() const { return m_sideWidth; }

    // Shows the side view as the defaults say (hidden when "_state" is 1 or
    // the delegate declines).
    void restoreFromPrefs();
    void toggleViews();
    // One drag step (see dragStep).
    void resizeViews(int movedBy);
    // Puts the side view on `edge`; without one on the other edge, narrowed
    // to its minimum.
    void moveViews(std::optional<Edge> edge = std::nullopt);

signals:
    void sideShownChanged(bool shown);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutViews();
    void applyMinimumWindowSize();
    int mainWidthNow() const;

    QString m_title;
    UserDefaults& m_defaults;
    QPointer<QWidget> m_side;
    QPointer<QWidget> m_main;
    QAbstractButton* m_button = nullptr;
    std::function<bool()> m_shouldDisplay;
    bool m_shown = false;
    Edge m_edge = Edge::Left;
    int m_sideWidth = defaultSideWidth;
};
