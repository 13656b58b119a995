#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <utility>

// A view with a soft grey band above its sub view, ending in a hairline.
class RVBackView : public QWidget {
    Q_OBJECT
public:
    explicit RVBackView(QWidget* parent = nullptr);

    // The view below the band.
    void setSubView(QWidget* view);
    QWidget* subView() const { return m_subView; }

    // The band's two colours made from its base colour: a lighter one at the
    // bottom of the band, a darker one at its top.
    static std::pair<QColor, QColor> bandColors(const QColor& base);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> m_subView;
};

// A dark veil (black at 65 %) that takes focus.
class RVClearView : public QWidget {
    Q_OBJECT
public:
    explicit RVClearView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A strip in the shared list background colour with a hairline along its
// bottom edge.
// The colour is the user's "colorViewColor" and follows the notifications
// "colorView1" and "colorView2" (user info "color").
class RVHorizontalView : public QWidget {
    Q_OBJECT
public:
    explicit RVHorizontalView(QWidget* parent = nullptr);
    ~RVHorizontalView() override;

    QColor bgColor() const { return m_bgColor; }
    QColor borderColor() const { return palette().color(QPalette::Mid); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_bgColor;
};
