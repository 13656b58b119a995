// Checks a source view's HTML with Tidy, says the result, and marks the first error.
#include "SourceViewValidation.h"

#include "DraftEditorHost.h"
#include "Entry.h"
#include "EntryRenderer.h"
#include "Localization.h"
#include "RVTextView.h"

#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

const char RVTextViewTable[] = "RVTextView";

} // namespace

SourceViewValidation::SourceViewValidation(RVTextView& view) : m_view(view) {}

SourceViewValidation::~SourceViewValidation() = default;

void SourceViewValidation::validateHTML()
{
    if (!m_view.m_draft)
        return;
    Entry* entry = m_view.m_draft->entryBeingEdited();
    if (!entry)
        return;
    const QString shown = m_view.shownText();
    const quint64 asked = ++m_validations;
    QPointer<Entry> checked(entry);
    EntryRenderer(*entry).validateLater(
        shown, &m_view, [this, asked, checked, shown](const QString& rendered) {
            if (asked == m_validations && checked && m_view.shownText() == shown)
                showValidation(*checked, shown, rendered);
        });
}

void SourceViewValidation::showValidation(const Entry& entry, const QString& shown,
                                          const QString& rendered)
{
    if (shown.isEmpty() || !rendered.isNull()) {
        showAlert(localized(RVTextViewTable, "The HTML is valid!"),
                  localized(RVTextViewTable, "No problems were found in the HTML code."));
        return;
    }
    const QString report = entry.validationErrorMessage();
    const std::optional<TidyDiagnostics::ErrorSpot> spot =
        TidyDiagnostics::firstError(report, shown);
    if (!spot) {
        // Nothing to point at, but the check failed: say what Tidy said.
        showAlert(localized(RVTextViewTable, "Invalid HTML!"), report.trimmed());
        return;
    }
    showErrorHighlight(*spot);
    showAlert(localized(RVTextViewTable, "Invalid HTML!"),
              localized(RVTextViewTable, "Highlighting first error:\n\"%1\".").arg(spot->message));
}

void SourceViewValidation::showAlert(const QString& title, const QString& message)
{
    if (m_alert)
        m_alert->close();
    auto* alert =
        new QMessageBox(QMessageBox::NoIcon, title, title, QMessageBox::NoButton, &m_view);
    alert->setInformativeText(message);
    alert->addButton(localized("AppControl", "OK"), QMessageBox::AcceptRole);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    m_alert = alert;
    alert->open();
}

void SourceViewValidation::showErrorHighlight(const TidyDiagnostics::ErrorSpot& spot)
{
    m_errorMarks.clear();
    QTextEdit::ExtraSelection line;
    line.cursor = QTextCursor(m_view.document());
    line.cursor.setPosition(int(spot.lineStart));
    // With its line end, so the tint runs the view's whole width.
    const qsizetype lineEnd = std::min<qsizetype>(spot.lineStart + spot.lineLength + 1,
                                                  m_view.document()->characterCount() - 1);
    line.cursor.setPosition(int(lineEnd), QTextCursor::KeepAnchor);
    line.format.setBackground(
        TidyDiagnostics::errorLineTint(m_view.palette().color(QPalette::Base)));
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    m_errorMarks.append(line);
    if (spot.character >= 0) {
        QTextEdit::ExtraSelection character;
        character.cursor = QTextCursor(m_view.document());
        character.cursor.setPosition(int(spot.character));
        character.cursor.setPosition(int(spot.character + 1), QTextCursor::KeepAnchor);
        character.format.setBackground(TidyDiagnostics::errorCharacterColor());
        m_errorMarks.append(character);
    }
    m_errorHighlighted = true;
    m_view.refreshExtraSelections();
    // The caret goes to the error, which brings its line into view.
    m_view.setSelectedRange(spot.character >= 0 ? spot.character : spot.lineStart, 0);
}

void SourceViewValidation::clearErrorHighlight()
{
    if (!m_errorHighlighted)
        return;
    m_errorMarks.clear();
    m_errorHighlighted = false;
    m_view.refreshExtraSelections();
}
