// Marks the misspelt words a source view shows and offers guesses for them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>
#include <memory>
#include <optional>

class QPoint;
class QTextCursor;
class RVTextView;
class SpellChecker;

// The spelling of an RVTextView: the misspelt words of the lines in view, in
// text outside tags, are underlined a moment after the text or the scroll
// position changes; the marks are drawn over the text and never enter it.
// Part of the view.
class SourceViewSpelling {
public:
    explicit SourceViewSpelling(RVTextView& view);
    ~SourceViewSpelling();

    // Takes "spell_check" (unset is on).
    void readPreference();
    bool continuousSpellChecking() const { return m_spellCheck; }
    void setContinuousSpellChecking(bool on);
    // A dictionary title or code (see SpellChecker).
    void setSpellingLanguage(const QString& language);
    // Marks the words anew, a moment later.
    void schedule() { m_timer.start(); }
    // The underlines, for the view's extra selections.
    const QList<QTextEdit::ExtraSelection>& marks() const { return m_marks; }

    // The word at `position` (viewport coordinates), its cursor in `wordCursor`.
    QString wordAt(const QPoint& position, QTextCursor* wordCursor) const;
    // Up to six guesses for a misspelt `word`; nothing when it is spelt
    // right or the spelling is not checked.
    std::optional<QStringList> guessesFor(const QString& word) const;

private:
    void updateSpelling();

    RVTextView& m_view;
    bool m_spellCheck = true;
    std::shared_ptr<SpellChecker> m_speller;
    QTimer m_timer;
    QList<QTextEdit::ExtraSelection> m_marks;
};
