#pragma once

#include <QWidget>

// The WordPress panel's background: a sheet of the palette's window colour.
class WPPluginView : public QWidget {
    Q_OBJECT

public:
    explicit WPPluginView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
