#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// The login sheet: a caption, a user name and a password, OK and Cancel.
class AuthRequest : public QDialog {
    Q_OBJECT
public:
    explicit AuthRequest(QWidget* parent = nullptr);

    QString caption() const;
    void setCaption(const QString& caption);
    QString username() const;
    void setUsername(const QString& username);
    QString password() const;
    // Empties the password field; the sheet never shows a password it was not typed into.
    void clearPassword();

private:
    QLabel* m_captionLabel;
    QLineEdit* m_usernameField;
    QLineEdit* m_passwordField;
};
