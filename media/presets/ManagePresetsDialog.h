#pragma once

#include <QDialog>
#include <QPointer>

class PresetListModel;
class Presets;
class QLabel;
class QListView;
class QPushButton;

// The presets in their stored order, renamed in place (a blank name, or one
// another preset has, is refused and said) and deleted, window-modal over the
// window it is opened for. Once it closes the store writes and tells of the
// changes.
class ManagePresetsDialog : public QDialog {
    Q_OBJECT
public:
    ManagePresetsDialog(Presets& store, QWidget* parent);

    // Opens the dialog over `parent`; it deletes itself when done.
    static ManagePresetsDialog* start(Presets& store, QWidget* parent);

    QListView* list() const { return m_list; }
    PresetListModel* model() const { return m_model; }
    // Deletes the selected presets.
    void deleteSelected();

    // A name still being typed is taken (or refused) before the dialog ends.
    void done(int result) override;

private:
    void updateButtons();

    QPointer<Presets> m_store;
    PresetListModel* m_model = nullptr;
    QListView* m_list = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_delete = nullptr;
};
