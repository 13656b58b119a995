#pragma once

#include "ConsoleSink.h"
#include "ConsoleStyle.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QPlainTextEdit;
class ConsoleOptionsDialog;

// The network console: a read-only log of every HTTP exchange, coloured so that
// XML-RPC and Atom traffic stays legible. Installs itself as the console every
// writer uses. Main thread only.
class ConsoleObject : public QMainWindow, public ConsoleSink {
    Q_OBJECT
public:
    explicit ConsoleObject(QWidget* parent = nullptr);
    ~ConsoleObject() override;

    // Created on first use; gone at quit.
    static ConsoleObject* sharedInstance();

    // ConsoleSink
    bool isConsoleVisible() const override;
    void clearConsole() override;
    // Colours only the new text, then scrolls to the end.
    void addToConsole(const QString& text) override;

    // Replaces the whole text, scrolls to the top, brings the window to the front.
    void setConsole(const QString& text);
    QString consoleText() const;
    void showWindow();
    void hideWindow();

    // Saves to `path` atomically; false with the reason shown to the user.
    bool saveConsoleTo(const QString& path);

    QPlainTextEdit* textView() const { return text; }

public slots:
    void saveConsole();
    void handlePrefs();

protected:
    // Closing only hides the console.
    void closeEvent(QCloseEvent* event) override;

private:
    void appendColoured(const QString& added);
    void applyStyle();
    void preferencesChanged(const QString& key);
    void updateActions();

    QPlainTextEdit* text;
    QAction* saveAction = nullptr;
    QPointer<ConsoleOptionsDialog> options;
    ConsoleStyle style;
};
