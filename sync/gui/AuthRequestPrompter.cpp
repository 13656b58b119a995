#include "AuthRequestPrompter.h"

#include "AuthRequest.h"

#include <QApplication>
#include <QTimer>

AuthRequestPrompter::AuthRequestPrompter(QWidget* parentWindow) : window(parentWindow) {}

AuthRequestPrompter::~AuthRequestPrompter()
{
    delete sheet;
}

void AuthRequestPrompter::ask(const QString& caption, const QString& username, Completion done)
{
    waiting.append({caption, username, std::move(done)});
    if (!sheet)
        QTimer::singleShot(0, &lifetime, [this] { showNext(); });
}

void AuthRequestPrompter::showNext()
{
    if (sheet || waiting.isEmpty())
        return;
    Question question = waiting.takeFirst();
    QWidget* parent = window ? window.data() : QApplication::activeWindow();
    sheet = new AuthRequest(parent);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    sheet->setCaption(question.caption);
    sheet->setUsername(question.username);
    sheet->clearPassword();
    QObject::connect(sheet, &QDialog::finished, sheet,
                     [this, done = std::move(question.done), dialog = sheet.data()](int result) {
                         Answer answer;
                         answer.accepted = result == QDialog::Accepted;
                         if (answer.accepted) {
                             answer.username = dialog->username();
                             answer.password = dialog->password();
                         }
                         dialog->clearPassword();
                         sheet = nullptr;
                         done(answer);
                         QTimer::singleShot(0, &lifetime, [this] { showNext(); });
                     });
    sheet->open();
    sheet->raise();
    sheet->activateWindow();
}
