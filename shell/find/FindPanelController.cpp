#include "FindPanelController.h"

#include "Localization.h"
#include "NotificationCenter.h"
#include "StringExtensions.h"
#include "UserDefaults.h"
#include "WebContentView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

const char Table[] = "FindPanelController";

FindPanelController* sharedPanel = nullptr;

// Case-blind and wrapping unless the user said otherwise.
bool caseSensitivePreference()
{
    return UserDefaults::sharedInstance().boolean(QStringLiteral("find_case"));
}

bool wrapPreference()
{
    const QVariant stored = UserDefaults::sharedInstance().value(QStringLiteral("find_wrap"));
    return stored.isValid() ? UserDefaults::sharedInstance().boolean(QStringLiteral("find_wrap"))
                            : true;
}

WebContentView* nearestWebView(QWidget* view)
{
    for (QWidget* at = view; at; at = at->parentWidget()) {
        if (auto* web = qobject_cast<WebContentView*>(at))
            return web;
    }
    return nullptr;
}

QPlainTextEdit* nearestTextView(QWidget* view)
{
    for (QWidget* at = view; at; at = at->parentWidget()) {
        if (auto* text = qobject_cast<QPlainTextEdit*>(at))
            return text;
        if (at->isWindow())
            break;
    }
    return nullptr;
}

// Selects `hit` in `view`; false when the view keeps that selection from
// being made (it moved it elsewhere).
bool selectsHit(QPlainTextEdit& view, const QTextCursor& hit)
{
    view.setTextCursor(hit);
    const QTextCursor shown = view.textCursor();
    return shown.selectionStart() == hit.selectionStart() &&
           shown.selectionEnd() == hit.selectionEnd();
}

} // namespace

FindPanelController::FindPanelController(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(localized(Table, "Find"));
    buildPanel();
    NotificationCenter::sharedInstance().observe(QStringLiteral("goingToQuitNotification"), this,
                                                 [this](const Notification&) { cleanUp(); });
    updateButtons();
}

FindPanelController::~FindPanelController()
{
    if (sharedPanel == this)
        sharedPanel = nullptr;
}

FindPanelController* FindPanelController::sharedInstance()
{
    if (!sharedPanel) {
        sharedPanel = new FindPanelController;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, sharedPanel,
                         [] { delete sharedPanel; });
    }
    return sharedPanel;
}

void FindPanelController::buildPanel()
{
    m_findField = new QLineEdit(this);
    m_replaceField = new QLineEdit(this);
    m_caseBox = new QCheckBox(localized(Table, "Case sensitive"), this);
    m_wrapBox = new QCheckBox(localized(Table, "Wrap around"), this);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setMinimumWidth(160);
    m_replaceAllButton = new QPushButton(localized(Table, "Replace All"), this);
    m_replaceButton = new QPushButton(localized(Table, "Replace"), this);
    m_replaceAndFindButton = new QPushButton(localized(Table, "Replace && Find"), this);
    m_previousButton = new QPushButton(localized(Table, "Previous"), this);
    m_nextButton = new QPushButton(localized(Table, "Next"), this);
    m_nextButton->setDefault(true);

    auto* fields = new QFormLayout;
    fields->addRow(localized(Table, "Find:"), m_findField);
    fields->addRow(localized(Table, "Replace with:"), m_replaceField);
    auto* options = new QHBoxLayout;
    options->addWidget(m_caseBox);
    options->addWidget(m_wrapBox);
    options->addStretch();
    fields->addRow(QString(), options);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_replaceAllButton);
    buttons->addWidget(m_replaceButton);
    buttons->addWidget(m_replaceAndFindButton);
    buttons->addSpacing(12);
    buttons->addWidget(m_statusLabel, 1);
    buttons->addWidget(m_previousButton);
    buttons->addWidget(m_nextButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    // The check boxes stand for the preferences, read again at every search.
    UserDefaults& defaults = UserDefaults::sharedInstance();
    m_caseBox->setChecked(caseSensitivePreference());
    m_wrapBox->setChecked(wrapPreference());
    connect(m_caseBox, &QCheckBox::toggled, this, [](bool on) {
        UserDefaults::sharedInstance().setValue(QStringLiteral("find_case"), on);
    });
    connect(m_wrapBox, &QCheckBox::toggled, this, [](bool on) {
        UserDefaults::sharedInstance().setValue(QStringLiteral("find_wrap"), on);
    });
    connect(&defaults, &UserDefaults::changed, this, [this](const QString& key) {
        if (key == QLatin1String("find_case"))
            m_caseBox->setChecked(caseSensitivePreference());
        else if (key == QLatin1String("find_wrap"))
            m_wrapBox->setChecked(wrapPreference());
    });

    connect(m_findField, &QLineEdit::textEdited, this, &FindPanelController::setSearchString);
    connect(m_replaceField, &QLineEdit::textEdited, this, &FindPanelController::setReplaceString);
    connect(m_findField, &QLineEdit::returnPressed, this, &FindPanelController::findNext);
    connect(m_replaceAllButton, &QPushButton::clicked, this, &FindPanelController::replaceAll);
    connect(m_replaceButton, &QPushButton::clicked, this, &FindPanelController::replace);
    connect(m_replaceAndFindButton, &QPushButton::clicked, this,
            &FindPanelController::replaceAndFind);
    connect(m_previousButton, &QPushButton::clicked, this, &FindPanelController::findPrevious);
    connect(m_nextButton, &QPushButton::clicked, this, &FindPanelController::findNext);
}

void FindPanelController::setSearchString(const QString& text)
{
    setStatus(QString());
    if (text == m_searchString)
        return;
    m_searchString = text;
    if (m_findField->text() != text)
        m_findField->setText(text);
    updateButtons();
    emit searchStringChanged(text);
}

void FindPanelController::setReplaceString(const QString& text)
{
    if (text == m_replaceString)
        return;
    m_replaceString = text;
    if (m_replaceField->text() != text)
        m_replaceField->setText(text);
    emit replaceStringChanged(text);
}

QString FindPanelController::status() const
{
    return m_statusLabel->text();
}

void FindPanelController::setStatus(const QString& text)
{
    m_statusLabel->setText(text);
}

void FindPanelController::showPanel()
{
    show();
    raise();
    activateWindow();
    m_findField->setFocus();
    m_findField->selectAll();
}

bool FindPanelController::canSearch(QWidget* focus)
{
    return nearestWebView(focus) || nearestTextView(focus);
}

bool FindPanelController::canReplace(QWidget* focus)
{
    if (const WebContentView* web = nearestWebView(focus))
        return web->offersReplace();
    const QPlainTextEdit* text = nearestTextView(focus);
    return text && !text->isReadOnly();
}

void FindPanelController::setViews(QWidget* view)
{
    if (!view)
        return;
    m_webHTMLView = view;
    m_webView = nearestWebView(view);
    m_textView = m_webView ? nullptr : nearestTextView(view);
    updateButtons();
}

bool FindPanelController::textViewOffersReplace() const
{
    return !m_webView && m_textView && !m_textView->isReadOnly();
}

void FindPanelController::findInWebView(QWidget* view, int action)
{
    setStatus(QString());
    setViews(view);
    switch (action) {
    case ShowPanel:
        showPanel();
        break;
    case FindNext:
    case FindPrevious:
        if (m_searchString.isEmpty())
            showPanel();
        else
            findString(action == FindNext);
        break;
    case UseSelectionForFind:
        useSelectionForFind();
        break;
    default:
        break;
    }
}

void FindPanelController::replaceInWebView(QWidget* view, int action)
{
    setViews(view);
    switch (action) {
    case Replace:
        replace();
        break;
    case ReplaceAndFind:
        replaceAndFind();
        break;
    case ReplaceAll:
        replaceAll();
        break;
    default:
        break;
    }
}

void FindPanelController::useSelectionForFind()
{
    if (!m_webView && m_textView) {
        // Source text is searched as it stands, tags and all.
        const QString selected =
            m_textView->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n');
        if (selected.isEmpty())
            return;
        setSearchString(selected);
        showPanel();
        return;
    }
    if (!m_webView)
        return;
    m_webView->selectedMarkup([this](const QString& markup) {
        if (markup.isEmpty())
            return;
        // The words of the selection on one line, without its tags.
        setSearchString(rv::trimWhitespace(rv::whiteWash(rv::trimHTML(markup))));
        showPanel();
    });
}

void FindPanelController::focusView()
{
    QWidget* view = m_webView ? static_cast<QWidget*>(m_webView) : m_textView.data();
    if (!view)
        return;
    QWidget* window = view->window();
    window->raise();
    window->activateWindow();
    if (m_webHTMLView)
        m_webHTMLView->setFocus(Qt::OtherFocusReason);
}

void FindPanelController::findString(bool forward)
{
    if (m_searchString.isEmpty() || (!m_webView && !m_textView))
        return;
    const bool caseSensitive = caseSensitivePreference();
    const bool wrap = wrapPreference();
    focusView();
    if (!m_webView) {
        const bool found = findInText(forward, caseSensitive, wrap);
        if (!found) {
            show();
            raise();
            setStatus(localized(Table, "Not found"));
        }
        emit searchFinished(found);
        return;
    }
    m_webView->searchFor(m_searchString, forward, caseSensitive, wrap,
                         [this](WebContentView::FindHit hit) {
                             if (!hit.found) {
                                 show();
                                 raise();
                                 setStatus(localized(Table, "Not found"));
                             }
                             emit searchFinished(hit.found);
                         });
}

void FindPanelController::replace()
{
    if (textViewOffersReplace()) {
        emit replaceFinished(replaceInText());
        return;
    }
    if (!m_webView || !m_webView->offersReplace())
        return;
    m_webView->replaceSelectionWithText(m_replaceString,
                                        [this](bool replaced) { emit replaceFinished(replaced); });
}

void FindPanelController::replaceAndFind()
{
    if (textViewOffersReplace()) {
        emit replaceFinished(replaceInText());
        findString(true);
        return;
    }
    if (!m_webView || !m_webView->offersReplace())
        return;
    m_webView->replaceSelectionWithText(m_replaceString, [this](bool replaced) {
        emit replaceFinished(replaced);
        findString(true);
    });
}

// Replace All searches forward from the start without wrapping and replaces
// every hit. Each hit must lie nearer the end of the document than the one
// before (the text after it shrinks): a replacement that leaves the search
// where it was (it puts the found text back, or cannot change the text) would
// otherwise have the loop find the same place for ever. It also never makes
// more than the limit of replacements at once.
void FindPanelController::replaceAll()
{
    if (textViewOffersReplace() && !m_searchString.isEmpty()) {
        focusView();
        replaceAllInText();
        return;
    }
    if (m_run.active || !m_webView || !m_webView->offersReplace() || m_searchString.isEmpty())
        return;
    m_run = ReplaceAllRun();
    m_run.active = true;
    m_run.caseSensitive = caseSensitivePreference();
    m_run.search = m_searchString;
    m_run.replacement = m_replaceString;
    m_run.view = m_webView;
    updateButtons();
    // A new document ends the run: its answers will never come.
    connect(m_webView->contentPage(), &WebContentPage::documentReplaced, this,
            &FindPanelController::replaceAllInterrupted, Qt::UniqueConnection);
    focusView();
    m_webView->moveCursorToStart([this] { replaceAllStep(); });
}

void FindPanelController::replaceAllStep()
{
    if (!m_run.active)
        return;
    if (!m_run.view) {
        endReplaceAll(ReplaceAllEnd::Interrupted);
        return;
    }
    if (m_run.count >= m_replaceAllLimit) {
        endReplaceAll(ReplaceAllEnd::Limit);
        return;
    }
    m_run.view->searchFor(
        m_run.search, true, m_run.caseSensitive, false, [this](WebContentView::FindHit hit) {
            if (!m_run.active)
                return;
            if (!hit.found) {
                endReplaceAll(ReplaceAllEnd::Done);
                return;
            }
            if (m_run.lastTextAfter >= 0 && hit.textAfter >= m_run.lastTextAfter) {
                endReplaceAll(ReplaceAllEnd::Stuck);
                return;
            }
            m_run.lastTextAfter = hit.textAfter;
            m_run.view->replaceSelectionWithText(m_run.replacement, [this](bool replaced) {
                if (!m_run.active)
                    return;
                if (replaced)
                    ++m_run.count;
                replaceAllStep();
            });
        });
}

void FindPanelController::replaceAllInterrupted()
{
    endReplaceAll(ReplaceAllEnd::Interrupted);
}

void FindPanelController::endReplaceAll(ReplaceAllEnd end)
{
    if (!m_run.active)
        return;
    const int count = m_run.count;
    if (m_run.view)
        disconnect(m_run.view->contentPage(), &WebContentPage::documentReplaced, this,
                   &FindPanelController::replaceAllInterrupted);
    m_run = ReplaceAllRun();
    switch (end) {
    case ReplaceAllEnd::Done:
        break;
    case ReplaceAllEnd::Stuck:
        setStatus(localized(Table, "Stopped after %n replacement(s): the search did not move on.",
                            count));
        break;
    case ReplaceAllEnd::Limit:
        setStatus(
            localized(Table, "Stopped after %n replacement(s), the most made at once.", count));
        break;
    case ReplaceAllEnd::Interrupted:
        setStatus(localized(Table, "Stopped after %n replacement(s): the page changed.", count));
        break;
    }
    updateButtons();
    emit replaceAllFinished(count);
}

// --- plain text views --------------------------------------------------------

bool FindPanelController::findInText(bool forward, bool caseSensitive, bool wrap)
{
    QPlainTextEdit& view = *m_textView;
    QTextDocument* document = view.document();
    QTextDocument::FindFlags flags;
    if (caseSensitive)
        flags |= QTextDocument::FindCaseSensitively;
    if (!forward)
        flags |= QTextDocument::FindBackward;
    const QTextCursor start = view.textCursor();
    QTextCursor from = start;
    bool wrapped = false;
    for (;;) {
        const QTextCursor hit = document->find(m_searchString, from, flags);
        if (hit.isNull()) {
            if (!wrap || wrapped)
                break;
            wrapped = true;
            from = QTextCursor(document);
            from.movePosition(forward ? QTextCursor::Start : QTextCursor::End);
            continue;
        }
        // Past the start again after wrapping: that part was searched already.
        if (wrapped && (forward ? hit.selectionStart() >= start.selectionEnd()
                                : hit.selectionStart() < start.selectionStart()))
            break;
        if (selectsHit(view, hit)) {
            view.ensureCursorVisible();
            return true;
        }
        from = hit;
    }
    view.setTextCursor(start);
    return false;
}

bool FindPanelController::replaceInText()
{
    QTextCursor cursor = m_textView->textCursor();
    if (!cursor.hasSelection())
        return false;
    cursor.insertText(m_replaceString, QTextCharFormat());
    m_textView->setTextCursor(cursor);
    return true;
}

void FindPanelController::replaceAllInText()
{
    QPlainTextEdit& view = *m_textView;
    QTextDocument* document = view.document();
    const QTextDocument::FindFlags flags =
        caseSensitivePreference() ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
    // The hits first, each one the view lets be selected, then every
    // replacement in one step: from the last, so the others stay in place.
    const QTextCursor original = view.textCursor();
    QList<std::pair<int, int>> hits;
    bool limited = false;
    QTextCursor from(document);
    for (;;) {
        const QTextCursor hit = document->find(m_searchString, from, flags);
        if (hit.isNull())
            break;
        from = hit;
        if (!selectsHit(view, hit))
            continue;
        if (hits.size() >= m_replaceAllLimit) {
            limited = true;
            break;
        }
        hits.append({hit.selectionStart(), hit.selectionEnd()});
    }
    view.setTextCursor(original);
    if (!hits.isEmpty()) {
        QTextCursor after(document);
        after.setPosition(hits.last().second);
        QTextCursor edit(document);
        edit.beginEditBlock();
        for (auto hit = hits.crbegin(); hit != hits.crend(); ++hit) {
            edit.setPosition(hit->first);
            edit.setPosition(hit->second, QTextCursor::KeepAnchor);
            edit.insertText(m_replaceString, QTextCharFormat());
        }
        edit.endEditBlock();
        view.setTextCursor(after);
        view.ensureCursorVisible();
    }
    const int count = int(hits.size());
    if (limited)
        setStatus(
            localized(Table, "Stopped after %n replacement(s), the most made at once.", count));
    emit replaceAllFinished(count);
}

void FindPanelController::updateButtons()
{
    const bool searchable = m_webView || m_textView;
    const bool replaceable =
        (m_webView ? m_webView->offersReplace() : textViewOffersReplace()) && !m_run.active;
    m_nextButton->setEnabled(searchable);
    m_previousButton->setEnabled(searchable);
    m_replaceButton->setEnabled(replaceable);
    m_replaceAndFindButton->setEnabled(replaceable);
    m_replaceAllButton->setEnabled(replaceable);
}

void FindPanelController::cleanUp()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    hide();
}
