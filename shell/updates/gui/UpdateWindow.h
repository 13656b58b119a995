#pragma once

#include "UpdatePresenter.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTextBrowser;
class RVUpdater;

// The update window: which version is available, its change list (shown or
// hidden after the "showChanges" default), and the choice between Cancel,
// Download (in the browser) and Download and Install (the updater), the latter
// only where the updater can replace this copy. Also the checker's alerts.
class UpdateWindow : public QWidget, public UpdatePresenter {
    Q_OBJECT
public:
    explicit UpdateWindow(RVUpdater& updater, QWidget* parent = nullptr);

    void showUpdate(const UpdateOffer& offer) override;
    void hideUpdate() override;
    void showAlert(const QString& title, const QString& message) override;
    void openInBrowser(const QUrl& url) override;

    // Shows or hides the change list after the "showChanges" default; the
    // window grows or shrinks below, its top edge stays where it was.
    void showChanges();
    bool changesShown() const;

    QString header() const;

private:
    void toggleChanges();

    RVUpdater& m_updater;
    QLabel* m_versionHeader = nullptr;
    QLabel* m_details = nullptr;
    QPushButton* m_toggleButton = nullptr;
    QPushButton* m_installButton = nullptr;
    QPushButton* m_downloadButton = nullptr;
    QTextBrowser* m_changes = nullptr;
};
