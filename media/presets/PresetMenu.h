#pragma once

#include "ModelTypes.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>

class Presets;
class QAction;
class QToolButton;
class QWidget;

// The preset pull-down of the attachments window and of a draft's attachment
// sheet. Its menu keeps four fixed items: the title (index 0, the button's
// text, not shown in the list), and after the presets a separator, "New
// Preset…" and "Manage Presets…". Between them one item per preset, in the
// store's key order, rebuilt at once and on every "presetsChanged".
//
// The owner says what is selected. A preset item is enabled when the first
// selected attachment is of the preset's kind, "New Preset…" when it is an
// image or a movie. Choosing a preset applies it (Presets::applyToSelection or,
// for a sheet's one attachment, applyToAttachment); the two dialogs open
// window-modal over the owner's window.
class PresetMenu : public QObject {
    Q_OBJECT
public:
    enum class Scope { Selection, OneAttachment };
    using SelectionSource = std::function<QList<AttachmentPtr>()>;

    PresetMenu(Presets& store, Scope scope, QWidget* window);
    ~PresetMenu() override;

    QMenu* menu() const { return m_menu; }
    QAction* titleItem() const;
    QAction* newPresetItem() const;
    QAction* managePresetsItem() const;
    // The preset items, in menu order.
    QList<QAction*> presetItems() const;
    // The name of the preset an item stands for; empty for the fixed items.
    static QString presetName(const QAction* item);

    void setSelectionSource(SelectionSource source) { m_selection = std::move(source); }
    // Gives the button this menu and its title, opening at a press.
    void attachTo(QToolButton* button);

    void rebuild();
    // Enables the items for the present selection (also before the menu shows).
    void validate();

signals:
    // A preset was applied; `changed` attachments took its settings.
    void presetApplied(const QString& name, int changed);

private:
    QList<AttachmentPtr> selection() const;
    void apply(const QString& name);
    void newPreset();
    void managePresets();

    QPointer<Presets> m_store;
    Scope m_scope;
    QPointer<QWidget> m_window;
    QPointer<QMenu> m_menu;
    SelectionSource m_selection;
};
