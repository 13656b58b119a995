#pragma once

#include <QMainWindow>
#include <QPointer>

class Clock;
class Draft;
class DraftKeyRouting;

// The window of one draft. Closing it asks the draft (which may save, ask,
// or refuse); only the draft registry closes it for good. Its activation
// tells the draft, which keeps the order of the draft windows.
//
// Tab walks the draft's editing areas, the typing refreshes the main
// window's preview, and the focus switches the editor buttons (see
// DraftKeyRouting).
class RVDraftWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit RVDraftWindow(Draft* delegate, QWidget* parent = nullptr);
    ~RVDraftWindow() override;

    Draft* delegate() const { return m_delegate; }
    // Clears the delegate: from now on the window closes like any other.
    void clearDelegate() { m_delegate = nullptr; }

    DraftKeyRouting* keyRouting() const { return m_keys; }
    // The preview refresh waits on this clock (tests); null means the system clock.
    void setClock(Clock* clock);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPointer<Draft> m_delegate;
    DraftKeyRouting* m_keys;
};
