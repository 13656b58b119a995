#pragma once

#include <QDialog>
#include <QKeySequence>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;

// The accounts window's sheet: one page at a time (the progress of a
// refresh or a fetch, an error, the wizard's pages) above two buttons whose
// titles, keys and actions each page sets. Window-modal on the accounts
// window, at its top edge; begun while that window is not shown, a window
// of its own in the middle of the screen. Ends with a code (1 done, -2
// cancelled) through ended(), and takes the title "Accounts" again.
class AccountSheet : public QDialog {
    Q_OBJECT
public:
    enum class Page { Progress, Error, Address, AccessPoint, Authentication, Warning, Information };
    enum Button { FirstButton = 1, SecondButton = 2 };

    explicit AccountSheet(QWidget* window);
    ~AccountSheet() override;

    // Shows the page, the sheet as wide as the window less 20 and as high
    // as the page needs, the keyboard focus in its first text field.
    void swapViews(Page page);
    Page currentPage() const { return m_page; }

    // Title, key (Return for the default button, Escape for cancelling) and
    // action of a button, and shows it.
    void configureButton(Button which, const QString& title, const QKeySequence& key,
                         std::function<void()> action);
    void hideButton(Button which);
    QPushButton* button(Button which) const;

    // Opens the sheet on its window unless it shows already.
    void begin();
    // Closes it with the code.
    void end(int code);

    // --- the progress page ---
    QLabel* statusField() const { return m_status; }
    QLabel* subStatusField() const { return m_subStatus; }
    QProgressBar* progressBar() const { return m_progress; }
    void setStatus(const QString& status);
    void setSubStatus(const QString& status);
    // Below 1: an unknown amount, the bar moving to and fro; else a bar
    // from 0 to `duration` at 0.
    void setDuration(double duration);
    void setProgress(double progress);
    // Resets the status lines: "Initializing..." and nothing.
    void resetStatus();

    // --- the error, warning and information pages ---
    void setErrorMessage(const QString& message);
    QLabel* errorField() const { return m_error; }
    void setWarningMessage(const QString& message);
    QLabel* warningField() const { return m_warning; }
    void setInformationMessage(const QString& message);
    QLabel* informationField() const { return m_information; }

    // --- the wizard's pages ---
    // What the authentication page says was found, under a heading: the
    // blog system by its name and the access point the login will go to.
    void setFound(const QString& heading, const QString& system, const QString& accessPoint);
    QLabel* foundHeadingField() const { return m_foundHeading; }
    QLabel* foundSystemField() const { return m_foundSystem; }
    QLabel* foundAccessPointField() const { return m_foundAccessPoint; }
    QComboBox* configPopup() const { return m_configPopup; }
    QLineEdit* addressField() const { return m_address; }
    QLineEdit* accessPointField() const { return m_accessPoint; }
    QLineEdit* userField() const { return m_user; }
    QLineEdit* passwordField() const { return m_password; }

signals:
    void ended(int code);

protected:
    // Escape presses the button that has it, and only that.
    void reject() override;
    void done(int code) override;

private:
    QWidget* makeProgressPage();
    QWidget* makeErrorPage();
    QWidget* makeAddressPage();
    QWidget* makeAccessPointPage();
    QWidget* makeAuthenticationPage();
    QWidget* makeWarningPage();
    QWidget* makeInformationPage();
    void fitToPage();

    Page m_page = Page::Progress;
    QStackedWidget* m_pages;
    QPushButton* m_button1;
    QPushButton* m_button2;
    QLabel* m_status;
    QLabel* m_subStatus;
    QProgressBar* m_progress;
    QLabel* m_error;
    QLabel* m_warning;
    QLabel* m_information;
    QComboBox* m_configPopup;
    QLineEdit* m_address;
    QLineEdit* m_accessPoint;
    QLabel* m_foundHeading;
    QLabel* m_foundSystem;
    QLabel* m_foundAccessPoint;
    QLineEdit* m_user;
    QLineEdit* m_password;
};
