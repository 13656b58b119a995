#include "SecurityQuestionPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

SecurityQuestionPrompter::SecurityQuestionPrompter(QWidget* parentWindow) : m_window(parentWindow)
{
}

SecurityQuestionPrompter::~SecurityQuestionPrompter()
{
    delete m_question;
}

void SecurityQuestionPrompter::askToTrustCertificate(const CertificateProblem& problem,
                                                     Completion done)
{
    ask(QApplication::translate("RESTCall", "Untrusted Certificate"), trustQuestion(problem),
        QApplication::translate("RESTCall", "Trust Certificate"), std::move(done));
}

void SecurityQuestionPrompter::askToFollowInsecureRedirect(const QUrl& from, const QUrl& to,
                                                           Completion done)
{
    ask(QApplication::translate("RESTCall", "Insecure Redirect"),
        insecureRedirectQuestion(from, to), QApplication::translate("RESTCall", "Go On"),
        std::move(done));
}

void SecurityQuestionPrompter::ask(const QString& title, const QString& text,
                                   const QString& acceptLabel, Completion done)
{
    QWidget* parent = m_window ? m_window.data() : QApplication::activeWindow();
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Cancel, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    QPushButton* accept = box->addButton(acceptLabel, QMessageBox::AcceptRole);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, accept, done = std::move(done)] {
        done(box->clickedButton() == accept);
    });
    m_question = box;
    box->open();
    box->raise();
    box->activateWindow();
}
