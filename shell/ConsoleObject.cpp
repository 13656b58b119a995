#include "ConsoleObject.h"

#include "ConsoleColorizer.h"
#include "ConsoleLogFile.h"
#include "ConsoleOptionsDialog.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QToolBar>

namespace {
ConsoleObject* sharedConsole = nullptr;
}

ConsoleObject::ConsoleObject(QWidget* parent)
    : QMainWindow(parent), text(new QPlainTextEdit(this)), style(ConsoleStyle::fromDefaults())
{
    setObjectName(QStringLiteral("ConsoleObject"));
    setWindowTitle(tr("Network Console"));
    text->setReadOnly(true);
    text->setUndoRedoEnabled(false);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setCentralWidget(text);

    auto* toolbar = addToolBar(tr("Console"));
    toolbar->setObjectName(QStringLiteral("consoleToolbar"));
    QAction* clear = toolbar->addAction(tr("Clear"), this, [this] { clearConsole(); });
    clear->setToolTip(tr("Clears the display"));
    toolbar->addSeparator();
    saveAction = toolbar->addAction(QCoreApplication::translate("AppControl", "Save"), this,
                                    &ConsoleObject::saveConsole);
    saveAction->setToolTip(tr("Saves the log text to file"));
    auto* spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    QAction* optionsAction = toolbar->addAction(tr("Options"), this, &ConsoleObject::handlePrefs);
    optionsAction->setToolTip(tr("Change display options"));

    connect(text, &QPlainTextEdit::textChanged, this, &ConsoleObject::updateActions);
    connect(&UserDefaults::standard(), &UserDefaults::changed, this,
            &ConsoleObject::preferencesChanged);
    applyStyle();
    updateActions();
    resize(720, 480);
}

ConsoleObject::~ConsoleObject()
{
    if (&ConsoleSink::shared() == this)
        ConsoleSink::setShared(nullptr);
    if (sharedConsole == this)
        sharedConsole = nullptr;
}

ConsoleObject* ConsoleObject::sharedInstance()
{
    if (!sharedConsole) {
        sharedConsole = new ConsoleObject;
        sharedConsole->setAttribute(Qt::WA_DeleteOnClose, false);
        ConsoleSink::setShared(sharedConsole);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, sharedConsole,
                         [] { delete sharedConsole; });
    }
    return sharedConsole;
}

bool ConsoleObject::isConsoleVisible() const
{
    return isVisible();
}

void ConsoleObject::clearConsole()
{
    text->clear();
    text->setCurrentCharFormat(style.format(ConsoleRole::Text));
}

void ConsoleObject::addToConsole(const QString& added)
{
    appendColoured(added);
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
}

void ConsoleObject::appendColoured(const QString& added)
{
    QTextCursor cursor(text->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const ConsoleSpan& span : colorizeConsoleText(added))
        cursor.insertText(added.mid(span.start, span.length), style.format(span.role));
    cursor.endEditBlock();
}

void ConsoleObject::setConsole(const QString& newText)
{
    text->clear();
    appendColoured(newText);
    text->verticalScrollBar()->setValue(0);
    showWindow();
}

QString ConsoleObject::consoleText() const
{
    return text->toPlainText();
}

void ConsoleObject::showWindow()
{
    show();
    raise();
    activateWindow();
}

void ConsoleObject::hideWindow()
{
    hide();
}

void ConsoleObject::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

void ConsoleObject::updateActions()
{
    if (saveAction)
        saveAction->setEnabled(!text->document()->isEmpty());
}

bool ConsoleObject::saveConsoleTo(const QString& path)
{
    QString error;
    if (ConsoleLogFile::save(path, consoleText(), &error))
        return true;
    QMessageBox::warning(this, tr("Network Console"),
                         tr("The console could not be saved to \"%1\": %2").arg(path, error));
    return false;
}

void ConsoleObject::saveConsole()
{
    auto* dialog = new QFileDialog(this, tr("Save Console"), QString(), QString());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(ConsoleLogFile::suggestedFileName(consoleText()));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { saveConsoleTo(path); });
    dialog->open();
}

void ConsoleObject::handlePrefs()
{
    if (!options) {
        options = new ConsoleOptionsDialog(this);
        options->setAttribute(Qt::WA_DeleteOnClose);
        options->setWindowModality(Qt::WindowModal);
    }
    options->open();
}

void ConsoleObject::preferencesChanged(const QString& key)
{
    if (!key.startsWith(QLatin1String("console_")))
        return;
    style = ConsoleStyle::fromDefaults();
    applyStyle();
    // Re-colour everything, keeping the selection.
    const QTextCursor selection = text->textCursor();
    const int anchor = selection.anchor();
    const int position = selection.position();
    const QString all = consoleText();
    QTextCursor cursor(text->document());
    cursor.beginEditBlock();
    for (const ConsoleSpan& span : colorizeConsoleText(all)) {
        cursor.setPosition(static_cast<int>(span.start));
        cursor.setPosition(static_cast<int>(span.start + span.length), QTextCursor::KeepAnchor);
        cursor.setCharFormat(style.format(span.role));
    }
    cursor.endEditBlock();
    QTextCursor restored(text->document());
    restored.setPosition(anchor);
    restored.setPosition(position, QTextCursor::KeepAnchor);
    text->setTextCursor(restored);
}

void ConsoleObject::applyStyle()
{
    setWindowOpacity(style.opacity);
    QPalette palette = text->palette();
    palette.setColor(QPalette::Base, style.background);
    palette.setColor(QPalette::Text, style.text);
    text->setPalette(palette);
    text->setFont(style.font);
    text->setCurrentCharFormat(style.format(ConsoleRole::Text));
}
