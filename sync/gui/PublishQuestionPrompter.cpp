#include "PublishQuestionPrompter.h"

#include "Localization.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

PublishQuestionPrompter::PublishQuestionPrompter(QWidget* window) : m_window(window) {}

PublishQuestionPrompter::~PublishQuestionPrompter()
{
    delete m_question;
}

void PublishQuestionPrompter::askToPublishAgain(const Entry& entry, Completion done)
{
    QWidget* parent = m_window ? m_window.data() : QApplication::activeWindow();
    auto* box = new QMessageBox(QMessageBox::Warning, questionTitle(), questionTitle(),
                                QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("publishAgainQuestion"));
    box->setInformativeText(questionText(entry));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QPushButton* look = box->addButton(lookOnServerLabel(), QMessageBox::AcceptRole);
    QPushButton* anyway = box->addButton(publishAnywayLabel(), QMessageBox::DestructiveRole);
    QPushButton* cancel =
        box->addButton(localized("AppControl", "Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(look);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, look, anyway, done = std::move(done)] {
        const QAbstractButton* chosen = box->clickedButton();
        done(chosen == look     ? Answer::LookOnServer
             : chosen == anyway ? Answer::PublishAnyway
                                : Answer::Cancel);
    });
    m_question = box;
    box->open();
    box->raise();
    box->activateWindow();
}
