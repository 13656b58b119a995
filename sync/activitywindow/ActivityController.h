#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class ActivityList;
class QLabel;
class QPushButton;
class QWidget;
class RVActivityView;

// The Activity window: the rows of the running jobs, a Clear button for the
// selected rows and the number of processes. One for the program, made on
// first use and gone at quit, when it remembers in "activity_open" whether it
// was open so that the next launch can show it again (restoreWindow()).
class ActivityController : public QObject {
    Q_OBJECT
public:
    // Whether the window's controller exists now.
    static bool instanceExists();
    static ActivityController* sharedInstance();

    // For the application shell, once at start-up: a row that turns into an
    // error row brings the window forward, and the window is remembered at quit.
    static void install();
    // For the application shell, at launch: shows the window (without taking
    // the keyboard) when it was open at the last quit.
    static void restoreWindow();

    // To the front, taking the keyboard.
    void showWindow();
    // To the front, leaving the keyboard where it is.
    void revealWindow();
    bool isWindowVisible() const;

    // Grows or shrinks the window to fit every row, or goes back to the size
    // the user gave it (the window's maximise button does the same).
    void zoom();
    // The frame zoom() grows the window to, on screen.
    QRect standardFrame() const;

    // Stores whether the window is open in "activity_open", closes it and
    // ends the controller (at quit, on "goingToQuitNotification").
    void cleanUp();

    QWidget* window() const { return m_window; }
    RVActivityView* activityView() const { return m_view; }
    QPushButton* clearButton() const { return m_clear; }
    QLabel* countLabel() const { return m_count; }

private:
    explicit ActivityController(ActivityList& list);
    ~ActivityController() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    ActivityList& m_list;
    QPointer<QWidget> m_window;
    RVActivityView* m_view = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_count = nullptr;
    QRect m_userFrame;
    bool m_zoomed = false;
};
