#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class AddonManager;
class QComboBox;
class QPushButton;
class QVBoxLayout;

// The add-ons' own settings: a pop-up of the add-ons that have a settings page
// and, below it, the chosen add-on's page. The pages belong to their add-ons:
// the window only lends them a place. Closing hides the window.
class AddonSettingsWindow : public QWidget {
    Q_OBJECT
public:
    struct Page {
        QString key;
        QPointer<QWidget> view;
    };

    // The add-ons of the manager that answer a settings page, by key.
    static QList<Page> pagesOf(AddonManager& manager);

    explicit AddonSettingsWindow(const QList<Page>& pages, QWidget* parent = nullptr);
    ~AddonSettingsWindow() override;

    // Shows the page of the add-on `key`; with a key that has no page, or none,
    // the page already chosen (the first one before any was chosen).
    void displaySettings(const QString& key = {});
    // The menu command: shows the window, with the first page when none was shown.
    void addonSettings();

    // The index of the page shown; -1 before any.
    int selectedAddon() const { return m_selectedAddon; }
    QStringList keys() const;

signals:
    // The "Shortcuts…" button: the window has hidden itself.
    void shortcutsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void switchSettingsPanel();
    void bringToFront();

    QList<Page> m_pages;
    QComboBox* m_popup;
    QWidget* m_container;
    QVBoxLayout* m_containerLayout;
    int m_selectedAddon = -1;
};
