#pragma once

#include "ModelTypes.h"

#include <QDialog>
#include <QPointer>
#include <memory>

class Presets;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Names a new preset made from an attachment's settings, window-modal over
// the window it is opened for. A blank name cannot be saved; a name a preset
// already has is said, and saving replaces that preset. Once the dialog ends,
// saved or cancelled, the store writes and tells of the change.
class NewPresetDialog : public QDialog {
    Q_OBJECT
public:
    NewPresetDialog(Presets& store, const AttachmentPtr& attachment, QWidget* parent);

    // Opens the dialog over `parent`; it deletes itself when done.
    static NewPresetDialog* start(Presets& store, const AttachmentPtr& attachment, QWidget* parent);

    QString name() const;
    void setName(const QString& name);

    void accept() override;

private:
    void updateState();
    void finish(int result);

    QPointer<Presets> m_store;
    std::weak_ptr<Attachment> m_attachment;
    QLineEdit* m_name = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_save = nullptr;
};
