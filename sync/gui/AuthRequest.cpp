#include "AuthRequest.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AuthRequest::AuthRequest(QWidget* parent)
    : QDialog(parent), m_captionLabel(new QLabel(this)), m_usernameField(new QLineEdit(this)),
      m_passwordField(new QLineEdit(this))
{
    setWindowTitle(tr("Authentication"));
    m_captionLabel->setWordWrap(true);
    m_captionLabel->setTextFormat(Qt::PlainText);
    m_usernameField->setObjectName(QStringLiteral("username"));
    m_passwordField->setObjectName(QStringLiteral("password"));
    m_passwordField->setEchoMode(QLineEdit::Password);

    auto* fields = new QFormLayout;
    fields->addRow(tr("User name:"), m_usernameField);
    fields->addRow(tr("Password:"), m_passwordField);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QCoreApplication::translate("AppControl", "OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_captionLabel);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

QString AuthRequest::caption() const
{
    return m_captionLabel->text();
}

void AuthRequest::setCaption(const QString& caption)
{
    m_captionLabel->setText(caption);
}

QString AuthRequest::username() const
{
    return m_usernameField->text();
}

void AuthRequest::setUsername(const QString& username)
{
    m_usernameField->setText(username);
}

QString AuthRequest::password() const
{
    return m_passwordField->text();
}

void AuthRequest::clearPassword()
{
    m_passwordField->clear();
}
