#pragma once

#include "ConsoleSink.h"
#include "ConsoleStyle.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class QAction;
class QPlainTextEdit;
class ConsoleOptionsDialog;
class ConsoleTextView;

// The network console: a read-only log of every HTTP exchange, coloured so that
// XML-RPC and Atom traffic stays legible. Installs itself as the console every
// writer uses. While hidden it keeps plain text and colours it when shown; when
// shown it colours only what is on screen. Main thread only.
class ConsoleObject : public QMainWindow, public ConsoleSink {
    Q_OBJECT
public:
    // Of a longer piece only its head is shown, followed by a line saying how
    // much was left out: more is seldom read, and a line this long still lays
    // out in a blink.
    static constexpr qsizetype maximumPieceLength = 256 << 10;
    // What a hidden console keeps; later pieces are counted, not kept.
    static constexpr qsizetype maximumHiddenLength = 4 << 20;

    explicit ConsoleObject(QWidget* parent = nullptr);
    ~ConsoleObject() override;

    // Created on first use; gone at quit.
    static ConsoleObject* sharedInstance();

    // ConsoleSink
    bool isConsoleVisible() const override;
    void clearConsole() override;
    // Shown at the end, coloured; kept as plain text while the console is hidden.
    void addToConsole(const QString& text) override;

    // Replaces the whole text, scrolls to the top, brings the window to the front.
    void setConsole(const QString& text);
    QString consoleText() const;
    void showWindow();
    void hideWindow();

    // Saves to `path` atomically; false with the reason shown to the user.
    bool saveConsoleTo(const QString& path);

    QPlainTextEdit* textView() const;

public slots:
    void saveConsole();
    void handlePrefs();

protected:
    // Closing only hides the console.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The piece as shown: its head and a line on what was left out.
    QStringList shownPieces(const QString& piece) const;
    void keepHidden(const QStringList& pieces);
    // What the hidden console kept, with a line on what it did not.
    QStringList keptPieces() const;
    void applyStyle();
    void preferencesChanged(const QString& key);
    void updateActions();

    ConsoleTextView* m_text;
    QAction* m_saveAction = nullptr;
    QPointer<ConsoleOptionsDialog> m_options;
    ConsoleStyle m_style;
    QStringList m_hiddenPieces;
    qsizetype m_hiddenLength = 0;
    qint64 m_hiddenBytesLeftOut = 0;
};
