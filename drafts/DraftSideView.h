#pragma once

#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QWidget>

struct Notification;

// The coloured side panel of a draft window. Its colour is the user's
// "colorViewColor", shared with the colour-synchronised list views: a side
// panel follows "colorView1" (a list view changed the colour) and announces
// its own changes as "colorView2", the colour in the user info as "color".
class DraftSideView : public QWidget {
    Q_OBJECT
public:
    explicit DraftSideView(QWidget* parent = nullptr);
    ~DraftSideView() override;

    // The colour as chosen; what shows is that colour laid over the window,
    // with the panel's text colour made to read on it.
    QColor backgroundColor() const { return m_bgColor; }
    void setBackgroundColor(const QColor& color);

    static QColor defaultColor();
    // The shared colour as stored ("colorViewColor"), else the default.
    static QColor storedColor();
    // The colour a "colorView1" or "colorView2" notification carries; invalid
    // when it carries none.
    static QColor notifiedColor(const Notification& notification);
    // The hairline facing the window's content: the palette's mid tone.
    static QColor separatorColor(const QPalette& palette);

    // Opens the colour panel (alpha shown) on the current colour; a colour
    // chosen there is taken by doChangeColor().
    void changeColor();
    QColorDialog* colorPanel() const { return m_panel; }
    // Takes `color`: background, stored, redrawn, then announced as "colorView2".
    void doChangeColor(const QColor& color);
    // The default colour, applied and announced.
    void defaultColorAction();
    // Stores the colour as "colorViewColor", takes it and redraws; announces nothing.
    void applyColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // "Change Colour…" and "Default Colour".
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void changeColorNotification(const Notification& notification);
    void showColor();

    QColor m_bgColor;
    QPointer<QColorDialog> m_panel;
};
