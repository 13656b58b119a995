#include "DraftEditMenu.h"

#include "DraftEditor.h"
#include "FindPanelController.h"
#include "Localization.h"
#include "WebContentView.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QWebEnginePage>

namespace {

WebContentView* webViewAt(QWidget* focus)
{
    for (QWidget* at = focus; at; at = at->parentWidget()) {
        if (auto* web = qobject_cast<WebContentView*>(at))
            return web;
        if (at->isWindow())
            break;
    }
    return nullptr;
}

// The widget's own slot, when it has one (line edits, text views).
bool hasSlot(QWidget* widget, const char* signature)
{
    return widget && widget->metaObject()->indexOfMethod(signature) >= 0;
}

struct ClipboardCommand {
    DraftEditMenu::Command command;
    const char* slot;
    const char* signature;
    QWebEnginePage::WebAction web;
};

constexpr ClipboardCommand clipboardCommands[] = {
    {DraftEditMenu::Command::Cut, "cut", "cut()", QWebEnginePage::Cut},
    {DraftEditMenu::Command::Copy, "copy", "copy()", QWebEnginePage::Copy},
    {DraftEditMenu::Command::Paste, "paste", "paste()", QWebEnginePage::Paste},
    {DraftEditMenu::Command::SelectAll, "selectAll", "selectAll()", QWebEnginePage::SelectAll},
};

} // namespace

DraftEditMenu::DraftEditMenu(QMenuBar* bar, std::function<DraftEditor*()> focusedEditor,
                             QObject* parent)
    : QObject(parent), m_focusedEditor(std::move(focusedEditor))
{
    m_menu = bar->addMenu(localized("Draft", "&Edit"));
    add(m_menu, Command::Undo, localized("Draft", "Undo"), QKeySequence::Undo);
    add(m_menu, Command::Redo, localized("Draft", "Redo"), QKeySequence::Redo);
    m_menu->addSeparator();
    add(m_menu, Command::Cut, localized("Draft", "Cut"), QKeySequence::Cut);
    add(m_menu, Command::Copy, localized("Draft", "Copy"), QKeySequence::Copy);
    add(m_menu, Command::Paste, localized("Draft", "Paste"), QKeySequence::Paste);
    add(m_menu, Command::SelectAll, localized("Draft", "Select All"), QKeySequence::SelectAll);
    m_menu->addSeparator();
    QMenu* find = m_menu->addMenu(localized("Draft", "Find"));
    add(find, Command::FindAndReplace, localized("Draft", "Find and Replace…"), QKeySequence::Find);
    add(find, Command::FindNext, localized("Draft", "Find Next"), QKeySequence::FindNext);
    add(find, Command::FindPrevious, localized("Draft", "Find Previous"),
        QKeySequence::FindPrevious);
    add(find, Command::UseSelectionForFind, localized("Draft", "Use Selection for Find"),
        QKeySequence(tr("Ctrl+E")));
    for (QMenu* shown : {m_menu, find})
        connect(shown, &QMenu::aboutToShow, this, &DraftEditMenu::validate);
    validate();
}

QAction* DraftEditMenu::add(QMenu* menu, Command command, const QString& text,
                            const QKeySequence& shortcut)
{
    auto* action = new QAction(text, menu);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, command] { perform(command); });
    menu->addAction(action);
    m_actions.append(action);
    Q_ASSERT(m_actions.size() == int(command) + 1);
    return action;
}

QAction* DraftEditMenu::action(Command command) const
{
    return m_actions.value(int(command));
}

void DraftEditMenu::validate()
{
    QWidget* focus = QApplication::focusWidget();
    DraftEditor* editor = m_focusedEditor ? m_focusedEditor() : nullptr;
    const bool text = editor || webViewAt(focus) || qobject_cast<QLineEdit*>(focus) ||
                      qobject_cast<QPlainTextEdit*>(focus);
    for (Command command : {Command::Undo, Command::Redo})
        action(command)->setEnabled(editor || hasSlot(focus, "undo()"));
    for (const ClipboardCommand& clipboard : clipboardCommands)
        action(clipboard.command)->setEnabled(text);
    // The find panel searches the editors, not the fields above them.
    const bool searchable = editor && FindPanelController::canSearch(focus);
    for (Command command : {Command::FindAndReplace, Command::FindNext, Command::FindPrevious,
                            Command::UseSelectionForFind})
        action(command)->setEnabled(searchable);
}

void DraftEditMenu::perform(Command command)
{
    QWidget* focus = QApplication::focusWidget();
    DraftEditor* editor = m_focusedEditor ? m_focusedEditor() : nullptr;
    switch (command) {
    case Command::Undo:
    case Command::Redo:
        if (editor)
            command == Command::Undo ? editor->undo() : editor->redo();
        else if (hasSlot(focus, "undo()"))
            QMetaObject::invokeMethod(focus, command == Command::Undo ? "undo" : "redo");
        return;
    case Command::Cut:
    case Command::Copy:
    case Command::Paste:
    case Command::SelectAll:
        for (const ClipboardCommand& clipboard : clipboardCommands) {
            if (clipboard.command != command)
                continue;
            if (WebContentView* web = webViewAt(focus))
                web->triggerPageAction(clipboard.web);
            else if (hasSlot(focus, clipboard.signature))
                QMetaObject::invokeMethod(focus, clipboard.slot);
        }
        return;
    case Command::FindAndReplace:
    case Command::FindNext:
    case Command::FindPrevious:
    case Command::UseSelectionForFind: {
        if (!editor || !FindPanelController::canSearch(focus))
            return;
        static constexpr int tags[] = {
            FindPanelController::ShowPanel, FindPanelController::FindNext,
            FindPanelController::FindPrevious, FindPanelController::UseSelectionForFind};
        const int tag = tags[int(command) - int(Command::FindAndReplace)];
        if (FindPanelController* panel = FindPanelController::sharedInstance())
            panel->findInWebView(focus, tag);
        return;
    }
    }
}
