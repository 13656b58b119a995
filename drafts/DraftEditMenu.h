#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class DraftEditor;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The Edit menu of a draft window: undo and redo in the focused editor, the
// clipboard and Select All in whatever text has the focus (the editors, the
// title and keyword fields), and the find panel on the focused editor. The
// items follow the focus, so a key the focus cannot take is left to it.
class DraftEditMenu : public QObject {
    Q_OBJECT
public:
    enum class Command {
        Undo,
        Redo,
        Cut,
        Copy,
        Paste,
        SelectAll,
        FindAndReplace,
        FindNext,
        FindPrevious,
        UseSelectionForFind,
    };

    // `focusedEditor` answers the draft's editor that has the focus, or null.
    DraftEditMenu(QMenuBar* bar, std::function<DraftEditor*()> focusedEditor,
                  QObject* parent = nullptr);

    QMenu* menu() const { return m_menu; }
    QAction* action(Command command) const;
    // Enables the items the focus can take.
    void validate();

private:
    QAction* add(QMenu* menu, Command command, const QString& text, const QKeySequence& shortcut);
    void perform(Command command);

    std::function<DraftEditor*()> m_focusedEditor;
    QMenu* m_menu = nullptr;   // owned by the menu bar
    QList<QAction*> m_actions; // by Command
};
