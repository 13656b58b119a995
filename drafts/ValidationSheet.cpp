#include "ValidationSheet.h"

#include "Localization.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ValidationSheet::ValidationSheet(QWidget* window, const QString& message, const QString& detail)
    : QDialog(window && window->isVisible() ? window : nullptr)
{
    setWindowTitle(localized("Draft", "Invalid HTML"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);

    m_message = new QLabel(message, this);
    QFont bold = m_message->font();
    bold.setBold(true);
    m_message->setFont(bold);
    m_message->setWordWrap(true);

    auto* explanation = new QLabel(
        localized("Draft", "The rich editor can show this text only as corrected HTML. HTML Tidy "
                           "found these problems:"),
        this);
    explanation->setWordWrap(true);

    m_detail = new QPlainTextEdit(detail, this);
    m_detail->setReadOnly(true);
    m_detail->setMinimumSize(420, 120);

    auto* buttons = new QDialogButtonBox(this);
    m_correct =
        buttons->addButton(localized("Draft", "Use Corrected HTML"), QDialogButtonBox::AcceptRole);
    m_keep = buttons->addButton(localized("Draft", "Keep As It Is"), QDialogButtonBox::RejectRole);
    m_correct->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addWidget(explanation);
    layout->addWidget(m_detail, 1);
    layout->addWidget(buttons);
}

ValidationSheet* ValidationSheet::ask(QWidget* window, const QString& message,
                                      const QString& detail,
                                      std::function<void(bool useCorrection)> answer)
{
    auto* sheet = new ValidationSheet(window, message, detail);
    connect(sheet, &QDialog::finished, sheet, [answer = std::move(answer)](int result) {
        if (answer)
            answer(result == QDialog::Accepted);
    });
    sheet->open();
    return sheet;
}

QString ValidationSheet::message() const
{
    return m_message->text();
}

QString ValidationSheet::detail() const
{
    return m_detail->toPlainText();
}
