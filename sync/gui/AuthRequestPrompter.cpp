#include "AuthRequestPrompter.h"

#include "AuthRequest.h"

#include <QApplication>
#include <QTimer>

AuthRequestPrompter::AuthRequestPrompter(QWidget* parentWindow) : m_window(parentWindow) {}

AuthRequestPrompter::~AuthRequestPrompter()
{
    delete m_sheet;
}

void AuthRequestPrompter::ask(const QString& caption, const QString& username, Completion done)
{
    m_waiting.append({caption, username, std::move(done)});
    if (!m_sheet)
        QTimer::singleShot(0, &m_lifetime, [this] { showNext(); });
}

void AuthRequestPrompter::showNext()
{
    if (m_sheet || m_waiting.isEmpty())
        return;
    Question question = m_waiting.takeFirst();
    QWidget* parent = m_window ? m_window.data() : QApplication::activeWindow();
    m_sheet = new AuthRequest(parent);
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    m_sheet->setCaption(question.caption);
    m_sheet->setUsername(question.username);
    m_sheet->clearPassword();
    QObject::connect(m_sheet, &QDialog::finished, m_sheet,
                     [this, done = std::move(question.done), dialog = m_sheet.data()](int result) {
                         Answer answer;
                         answer.accepted = result == QDialog::Accepted;
                         if (answer.accepted) {
                             answer.username = dialog->username();
                             answer.password = dialog->password();
                         }
                         dialog->clearPassword();
                         m_sheet = nullptr;
                         done(answer);
                         QTimer::singleShot(0, &m_lifetime, [this] { showNext(); });
                     });
    m_sheet->open();
    m_sheet->raise();
    m_sheet->activateWindow();
}
