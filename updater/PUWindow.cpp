#include "PUWindow.h"

#include "AlertBox.h"
#include "PUController.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

PUWindow::PUWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(tr("plumet Updater"));
    m_status = new QLabel(this);
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);
    m_subStatus = new QLabel(this);
    QFont small = m_subStatus->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_subStatus->setFont(small);
    m_subStatus->setMinimumWidth(360);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setRange(0, 100);
    m_progressBar->setTextVisible(false);
    m_cancel = new QPushButton(tr("Cancel"), this);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->abortUpdate();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->addWidget(m_status);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_subStatus);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void PUWindow::setController(PUController* controller)
{
    m_controller = controller;
    for (auto signal : {&PUController::statusChanged, &PUController::subStatusChanged,
                        &PUController::progressChanged, &PUController::indeterminateChanged,
                        &PUController::canAbortChanged})
        connect(controller, signal, this, &PUWindow::refresh);
    refresh();
}

void PUWindow::refresh()
{
    if (!m_controller)
        return;
    m_status->setText(m_controller->status());
    m_subStatus->setText(m_controller->subStatus());
    if (m_controller->isIndeterminate()) {
        m_progressBar->setRange(0, 0);
    } else {
        m_progressBar->setRange(0, 100);
        m_progressBar->setValue(int(m_controller->progress()));
    }
    m_cancel->setEnabled(m_controller->canAbort());
}

void PUWindow::showFailure(const QString& title, const QString& message, const QString& detail,
                           std::function<void()> dismissed)
{
    QMessageBox* box = cutils::makeAlert(QMessageBox::Critical, title, message, this);
    box->addButton(QMessageBox::Ok);
    box->setDetailedText(detail);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [dismissed] { dismissed(); });
    box->open();
}

void PUWindow::askToQuitManually(std::function<void(bool)> answered)
{
    QMessageBox* box = cutils::makeAlert(
        QMessageBox::Warning, tr("plumet has not quit!"),
        tr("For some reason plumet will not quit. Please quit it manually, then click on "
           "Proceed. If you want to abort the update, click on Cancel."),
        this);
    QPushButton* proceed = box->addButton(tr("Proceed"), QMessageBox::AcceptRole);
    box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(proceed);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this,
            [box, proceed, answered] { answered(box->clickedButton() == proceed); });
    box->open();
}

void PUWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window is Cancel, and does as little as Cancel does.
    if (m_controller && m_controller->canAbort()) {
        m_controller->abortUpdate();
        event->accept();
        return;
    }
    event->ignore();
}
