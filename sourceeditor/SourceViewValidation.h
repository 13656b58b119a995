// Checks a source view's HTML with Tidy, says the result, and marks the first error.
#pragma once

#include "TidyDiagnostics.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTextEdit>

class Entry;
class RVTextView;

// The validation of an RVTextView (see RVTextView::validateHTML): the check
// runs beside the window, its result shows in a sheet, and the first error's
// line and character stay tinted until the next edit. Part of the view.
class SourceViewValidation {
public:
    explicit SourceViewValidation(RVTextView& view);
    ~SourceViewValidation();

    void validateHTML();
    void clearErrorHighlight();
    bool errorHighlighted() const { return m_errorHighlighted; }
    // The tint over the error, for the view's extra selections.
    const QList<QTextEdit::ExtraSelection>& errorMarks() const { return m_errorMarks; }
    // The sheet last shown, while it is open.
    QMessageBox* alertSheet() const { return m_alert; }

private:
    void showValidation(const Entry& entry, const QString& shown, const QString& rendered);
    void showAlert(const QString& title, const QString& message);
    void showErrorHighlight(const TidyDiagnostics::ErrorSpot& spot);

    RVTextView& m_view;
    QList<QTextEdit::ExtraSelection> m_errorMarks;
    bool m_errorHighlighted = false;
    QPointer<QMessageBox> m_alert;
    quint64 m_validations = 0;
};
