#pragma once

#include <QWidget>

// The WordPress panel's background: an almost white sheet.
class WPPluginView : public QWidget {
    Q_OBJECT

public:
    explicit WPPluginView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
