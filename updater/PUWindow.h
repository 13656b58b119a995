#pragma once

#include "PUPresenter.h"

#include <QPointer>
#include <QWidget>

class PUController;
class QLabel;
class QProgressBar;
class QPushButton;

// The updater's one window: a status line, a sub-status line, a progress bar
// and Cancel, following the controller; its alerts are sheets on it.
class PUWindow : public QWidget, public PUPresenter {
    Q_OBJECT
public:
    explicit PUWindow(QWidget* parent = nullptr);

    void setController(PUController* controller);

    void showFailure(const QString& title, const QString& message, const QString& detail,
                     std::function<void()> dismissed) override;
    void askToQuitManually(std::function<void(bool proceed)> answered) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();

    QPointer<PUController> m_controller;
    QLabel* m_status = nullptr;
    QLabel* m_subStatus = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_cancel = nullptr;
};
