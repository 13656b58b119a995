#pragma once

#include <QPointer>
#include <QWidget>

// A labelled row of a draft window: a header label on the left, a content
// field on the right. The rows of one window line their fields up by taking
// the same content offset (the widest label).
class RVSubView : public QWidget {
    Q_OBJECT
public:
    explicit RVSubView(QWidget* parent = nullptr);
    // A row with `header` and `content`, which it takes as children.
    RVSubView(QWidget* header, QWidget* content, QWidget* parent = nullptr);

    QWidget* headerField() const { return m_header; }
    QWidget* contentField() const { return m_content; }
    void setHeaderField(QWidget* header);
    void setContentField(QWidget* content);

    // The width of the header label; 0 when either field is missing.
    int contentOffset() const;
    // Moves the content field to offset + 15, its right edge staying where it
    // is, and the label to end 5 points before it. Nothing without both fields.
    void setContentOffset(int offset);
    // The largest offset of `rows`, given to all of them when above 0.
    static void alignRows(const QList<RVSubView*>& rows);

    // Gives the content field the keyboard focus, when the row is in a window.
    void setActive();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeFields();

    QPointer<QWidget> m_header;
    QPointer<QWidget> m_content;
    int m_contentLeft = -1; // -1: right after the label
};
