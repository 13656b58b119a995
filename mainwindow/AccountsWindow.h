#pragma once

#include <QMainWindow>
#include <QPair>

class AccountsTableController;
class AccountsTableModel;
class ColorButton;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;

// The accounts window's widgets: the table of accounts (label colours,
// drag reordering, sorting by a header click) and under it the details box
// with the selected account's fields. The AccountController fills and
// reads them; the window itself decides nothing.
class AccountsWindow : public QMainWindow {
    Q_OBJECT
public:
    AccountsWindow(AccountsTableModel& model, QWidget* parent = nullptr);
    ~AccountsWindow() override;

    QTableView* tableView() const { return m_table; }
    AccountsTableController* tableController() const { return m_tableController; }
    QGroupBox* detailsBox() const { return m_details; }
    QLineEdit* titleField() const { return m_title; }
    ColorButton* labelButton() const { return m_label; }
    QComboBox* systemPopup() const { return m_system; }
    QLineEdit* addressField() const { return m_address; }
    QLineEdit* userField() const { return m_user; }
    QLineEdit* passwordField() const { return m_password; }
    QPushButton* updateButton() const { return m_update; }
    QPushButton* helpButton() const { return m_help; }
    QPushButton* moreButton() const { return m_more; }

    // The list font and row height for the "listFontSize" preference.
    void applyListFontSize(double points);
    // The background the lists share ("colorViewColor").
    void applyBackground(const QColor& color);
    // Offers these plug-ins in the details box by the names the user knows
    // them by (each a key and its name; `current` by its key when it is not
    // among them), and selects `current`. The pop-up's item data is the key.
    void setPluginKeys(const QList<QPair<QString, QString>>& systems, const QString& current);

private:
    QWidget* makeDetailsBox();

    QTableView* m_table;
    AccountsTableController* m_tableController;
    QGroupBox* m_details;
    QLineEdit* m_title;
    ColorButton* m_label;
    QComboBox* m_system;
    QLineEdit* m_address;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QPushButton* m_update;
    QPushButton* m_help;
    QPushButton* m_more;
};
