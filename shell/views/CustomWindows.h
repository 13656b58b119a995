#pragma once

#include <QWidget>

// A borderless, see-through window for small panels. It takes no keyboard
// focus until setAllowKey(true) (while a panel takes typing).
class RVClearWindow : public QWidget {
    Q_OBJECT
public:
    explicit RVClearWindow(QWidget* parent = nullptr);

    bool canBecomeKeyWindow() const { return m_allowKey; }
    void setAllowKey(bool allow);

private:
    bool m_allowKey = false;
};

// A borderless, see-through window floating above the others that every
// click passes through.
class VeryPlainWindow : public QWidget {
    Q_OBJECT
public:
    explicit VeryPlainWindow(QWidget* parent = nullptr);
};
