#include "ConsoleObject.h"

#include "ConsoleLogFile.h"
#include "ConsoleOptionsDialog.h"
#include "ConsoleTextView.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QToolBar>

namespace {

ConsoleObject* sharedConsole = nullptr;

// The size of the text in UTF-8, as it came over the wire.
qint64 utf8Length(QStringView text)
{
    qint64 bytes = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        bytes += unit < 0x80 ? 1 : unit < 0x800 || c.isSurrogate() ? 2 : 3;
    }
    return bytes;
}

QString leftOutLine(qint64 bytes, bool onItsOwnLine)
{
    return (onItsOwnLine ? QString() : QStringLiteral("\n")) +
           ConsoleObject::tr("… %L1 bytes not shown").arg(bytes) + QStringLiteral("\n\n");
}

} // namespace

ConsoleObject::ConsoleObject(QWidget* parent)
    : QMainWindow(parent), m_text(new ConsoleTextView(this)), m_style(ConsoleStyle::fromDefaults())
{
    setObjectName(QStringLiteral("ConsoleObject"));
    setWindowTitle(tr("Network Console"));
    setCentralWidget(m_text);

    auto* toolbar = addToolBar(tr("Console"));
    toolbar->setObjectName(QStringLiteral("consoleToolbar"));
    QAction* clear = toolbar->addAction(tr("Clear"), this, [this] { clearConsole(); });
    clear->setToolTip(tr("Clears the display"));
    toolbar->addSeparator();
    m_saveAction = toolbar->addAction(QCoreApplication::translate("AppControl", "Save"), this,
                                      &ConsoleObject::saveConsole);
    m_saveAction->setToolTip(tr("Saves the log text to file"));
    auto* spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    QAction* optionsAction = toolbar->addAction(tr("Options"), this, &ConsoleObject::handlePrefs);
    optionsAction->setToolTip(tr("Change display options"));

    connect(m_text, &QPlainTextEdit::textChanged, this, &ConsoleObject::updateActions);
    connect(&UserDefaults::sharedInstance(), &UserDefaults::changed, this,
            &ConsoleObject::preferencesChanged);
    applyStyle();
    updateActions();
    resize(720, 480);
}

ConsoleObject::~ConsoleObject()
{
    if (&ConsoleSink::sharedInstance() == this)
        ConsoleSink::setSharedInstance(nullptr);
    if (sharedConsole == this)
        sharedConsole = nullptr;
}

ConsoleObject* ConsoleObject::sharedInstance()
{
    if (!sharedConsole) {
        sharedConsole = new ConsoleObject;
        sharedConsole->setAttribute(Qt::WA_DeleteOnClose, false);
        ConsoleSink::setSharedInstance(sharedConsole);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, sharedConsole,
                         [] { delete sharedConsole; });
    }
    return sharedConsole;
}

QPlainTextEdit* ConsoleObject::textView() const
{
    return m_text;
}

bool ConsoleObject::isConsoleVisible() const
{
    return isVisible();
}

void ConsoleObject::clearConsole()
{
    m_text->clear();
    m_hiddenPieces.clear();
    m_hiddenLength = 0;
    m_hiddenBytesLeftOut = 0;
    updateActions();
}

void ConsoleObject::addToConsole(const QString& added)
{
    const QStringList pieces = shownPieces(added);
    if (isVisible())
        m_text->appendPieces(pieces);
    else
        keepHidden(pieces);
}

QStringList ConsoleObject::shownPieces(const QString& piece) const
{
    if (piece.size() <= maximumPieceLength)
        return {piece};
    qsizetype head = maximumPieceLength;
    if (piece.at(head - 1).isHighSurrogate())
        --head;
    const QStringView rest = QStringView(piece).sliced(head);
    return {piece.first(head), leftOutLine(utf8Length(rest), piece.at(head - 1) == u'\n')};
}

void ConsoleObject::keepHidden(const QStringList& pieces)
{
    for (const QString& piece : pieces) {
        // Past the bound nothing more is kept until the console is cleared, so
        // what is kept is the start of the exchange, whole.
        if (m_hiddenBytesLeftOut > 0 || m_hiddenLength + piece.size() > maximumHiddenLength) {
            m_hiddenBytesLeftOut += utf8Length(piece);
            continue;
        }
        m_hiddenPieces.append(piece);
        m_hiddenLength += piece.size();
    }
    updateActions();
}

QStringList ConsoleObject::keptPieces() const
{
    QStringList pieces = m_hiddenPieces;
    if (m_hiddenBytesLeftOut > 0) {
        const bool onItsOwnLine = pieces.isEmpty() || pieces.last().endsWith(u'\n');
        pieces.append(leftOutLine(m_hiddenBytesLeftOut, onItsOwnLine));
    }
    return pieces;
}

void ConsoleObject::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_hiddenPieces.isEmpty() && m_hiddenBytesLeftOut == 0)
        return;
    const QStringList pieces = keptPieces();
    m_hiddenPieces.clear();
    m_hiddenLength = 0;
    m_hiddenBytesLeftOut = 0;
    m_text->appendPieces(pieces);
}

void ConsoleObject::setConsole(const QString& newText)
{
    clearConsole();
    addToConsole(newText);
    showWindow();
    m_text->scrollToTop();
}

QString ConsoleObject::consoleText() const
{
    return m_text->toPlainText() + keptPieces().join(QString());
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
    if (m_saveAction)
        m_saveAction->setEnabled(!m_text->document()->isEmpty() || !m_hiddenPieces.isEmpty() ||
                                 m_hiddenBytesLeftOut > 0);
}

bool ConsoleObject::saveConsoleTo(const QString& path)
{
    QString error;
    if (ConsoleLogFile::save(path, consoleText(), &error))
        return true;
    // The sentence names the file and the cause.
    QMessageBox::warning(this, tr("Network Console"), error);
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
    if (!m_options) {
        m_options = new ConsoleOptionsDialog(this);
        m_options->setAttribute(Qt::WA_DeleteOnClose);
        m_options->setWindowModality(Qt::WindowModal);
    }
    m_options->open();
}

void ConsoleObject::preferencesChanged(const QString& key)
{
    if (!key.startsWith(QLatin1String("console_")))
        return;
    // Colours live in the view's layouts, so the text and the selection stay
    // as they are; only what is on screen is coloured again now.
    m_style = ConsoleStyle::fromDefaults();
    applyStyle();
}

void ConsoleObject::applyStyle()
{
    setWindowOpacity(m_style.opacity);
    m_text->applyConsoleStyle(m_style);
}
