#pragma once

#include <QWidget>

// A holder for a web view (or any view) that draws a thin grey frame around
// it; the view placed with setContent() fills the inside.
class FramedWebView : public QWidget {
    Q_OBJECT
public:
    explicit FramedWebView(QWidget* parent = nullptr);

    // The one-point frame: the palette's mid tone.
    static QColor frameColor(const QPalette& palette);
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_content = nullptr;
};
