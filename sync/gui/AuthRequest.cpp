#include "AuthRequest.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AuthRequest::AuthRequest(QWidget* parent)
    : QDialog(parent), captionLabel(new QLabel(this)), usernameField(new QLineEdit(this)),
      passwordField(new QLineEdit(this))
{
    setWindowTitle(tr("Authentication"));
    captionLabel->setWordWrap(true);
    captionLabel->setTextFormat(Qt::PlainText);
    usernameField->setObjectName(QStringLiteral("username"));
    passwordField->setObjectName(QStringLiteral("password"));
    passwordField->setEchoMode(QLineEdit::Password);

    auto* fields = new QFormLayout;
    fields->addRow(tr("User name:"), usernameField);
    fields->addRow(tr("Password:"), passwordField);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QCoreApplication::translate("AppControl", "OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

QString AuthRequest::caption() const
{
    return captionLabel->text();
}

void AuthRequest::setCaption(const QString& caption)
{
    captionLabel->setText(caption);
}

QString AuthRequest::username() const
{
    return usernameField->text();
}

void AuthRequest::setUsername(const QString& username)
{
    usernameField->setText(username);
}

QString AuthRequest::password() const
{
    return passwordField->text();
}

void AuthRequest::clearPassword()
{
    passwordField->clear();
}
