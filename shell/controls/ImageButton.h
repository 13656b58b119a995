#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A button drawn only with images: one at rest, one while pressed, and one
// when disabled (by default the image resource named by the button's title).
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    void setImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& disabled = {});
    // The image shown now, given the enabled and pressed states.
    const QPixmap& currentImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_imageNormal;
    QPixmap m_imagePressed;
    QPixmap m_imageDisabled;
};
