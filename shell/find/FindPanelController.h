#pragma once

#include "WebContentView.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The find-and-replace panel of the web views (the entry preview, the rich
// editor) and the plain text views (the HTML source view). In a web view
// searching runs as page script (window.find, with the user's case and wrap
// choices) and replacing goes through the view's own undoable replace; in a
// text view both go through its document, each replacement (Replace All as
// a whole) one step the user can undo. A read-only view offers no replace
// and the replace buttons stay disabled. A hit the text view will not
// select (the source view keeps the caret out of attachment runs) is passed
// over and never replaced. Main thread only.
class FindPanelController : public QWidget {
    Q_OBJECT
    Q_PROPERTY(
        QString searchString READ searchString WRITE setSearchString NOTIFY searchStringChanged)
    Q_PROPERTY(
        QString replaceString READ replaceString WRITE setReplaceString NOTIFY replaceStringChanged)
public:
    // The tags of the Find and Replace menu items.
    enum Action {
        ShowPanel = 1,
        FindNext = 2,
        FindPrevious = 3,
        Replace = 4,
        ReplaceAndFind = 5,
        ReplaceAll = 6,
        UseSelectionForFind = 7,
    };

    // Replace All never makes more than this many replacements in one go.
    static constexpr int ReplaceAllLimit = 10000;

    explicit FindPanelController(QWidget* parent = nullptr);
    ~FindPanelController() override;

    static FindPanelController* sharedInstance();

    // "" until set; setting the search string empties the status line.
    QString searchString() const { return m_searchString; }
    void setSearchString(const QString& text);
    QString replaceString() const { return m_replaceString; }
    void setReplaceString(const QString& text);
    QString status() const;

    // `view` (the widget with the focus, or nullptr to keep the previous one)
    // becomes the view searched: its nearest WebContentView at or above it,
    // else its nearest QPlainTextEdit. Then the action of the menu item's tag
    // runs. The first empties the status line whatever the tag.
    void findInWebView(QWidget* view, int action);
    void replaceInWebView(QWidget* view, int action);

    // Whether the panel can search the view holding `focus`, and replace in it.
    static bool canSearch(QWidget* focus);
    static bool canReplace(QWidget* focus);

    WebContentView* webView() const { return m_webView; }
    QPlainTextEdit* textView() const { return m_textView; }
    QWidget* webHTMLView() const { return m_webHTMLView; }

    // Replace All stops short at `limit` replacements (ReplaceAllLimit
    // normally; smaller in tests).
    void setReplaceAllLimit(int limit) { m_replaceAllLimit = limit; }

public slots:
    void findNext() { findString(true); }
    void findPrevious() { findString(false); }
    void findString(bool forward);
    void replace();
    void replaceAndFind();
    void replaceAll();
    void cleanUp();

signals:
    void searchStringChanged(const QString& text);
    void replaceStringChanged(const QString& text);
    // A find command has its answer.
    void searchFinished(bool found);
    // A single replacement has its answer.
    void replaceFinished(bool replaced);
    // Replace All is over after `count` replacements.
    void replaceAllFinished(int count);

private slots:
    void replaceAllInterrupted();

private:
    enum class ReplaceAllEnd { Done, Stuck, Limit, Interrupted };

    void buildPanel();
    void showPanel();
    void setStatus(const QString& text);
    void setViews(QWidget* view);
    void useSelectionForFind();
    void focusView();
    void updateButtons();
    void replaceAllStep();
    void endReplaceAll(ReplaceAllEnd end);
    bool textViewOffersReplace() const;
    bool findInText(bool forward, bool caseSensitive, bool wrap);
    bool replaceInText();
    void replaceAllInText();

    QString m_searchString, m_replaceString;
    QPointer<WebContentView> m_webView;
    QPointer<QWidget> m_webHTMLView;
    QPointer<QPlainTextEdit> m_textView;
    int m_replaceAllLimit = ReplaceAllLimit;

    struct ReplaceAllRun {
        bool active = false;
        bool caseSensitive = false;
        int count = 0;
        qint64 lastTextAfter = -1;
        QString search, replacement;
        QPointer<WebContentView> view;
    } m_run;

    QLineEdit* m_findField = nullptr;
    QLineEdit* m_replaceField = nullptr;
    QCheckBox* m_caseBox = nullptr;
    QCheckBox* m_wrapBox = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPushButton* m_replaceAllButton = nullptr;
    QPushButton* m_replaceButton = nullptr;
    QPushButton* m_replaceAndFindButton = nullptr;
    QPushButton* m_previousButton = nullptr;
    QPushButton* m_nextButton = nullptr;
};
