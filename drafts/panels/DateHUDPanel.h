// The draft window's date panel: the post's publication date and the custom-date mark.
#pragma once

#include <QDateTime>
#include <QFrame>
#include <QTimeZone>

class Draft;
class QDateTimeEdit;
class QLabel;
class QPushButton;

// Sets the date a post is published with. The editor shows this
// computer's clock (and, beside it, the blog's when that differs); what the
// user sets is stored as an instant. The post is marked as having a date of
// its own when the user changed the date while the panel was open (Now
// counts), and keeps its mark otherwise, so that opening and closing the
// panel never drops a scheduled date. Revert takes the date and the mark the
// post was last saved with.
class DateHUDPanel : public QFrame {
    Q_OBJECT
public:
    explicit DateHUDPanel(Draft& draft, QWidget* parent = nullptr);

    // Takes the entry's date; called each time the panel opens.
    void opened();
    // Now, Revert and Done.
    void setNow();
    void revert();
    void done();

    // The clock the editor shows: this computer's unless set (tests).
    void setClockZone(const QTimeZone& zone);
    QDateTimeEdit* editor() const { return m_edit; }
    // The note under the editor (the blog's time, a skipped clock time); empty when hidden.
    QString noteText() const;
    bool changedInThisOpening() const { return m_changed; }

signals:
    // Done (or Escape): the panel wants to close.
    void finished();

private:
    void showDate(const QDateTime& instant);
    void userEdited();
    void updateNote(const QString& gapNote = {});

    Draft& m_draft;
    QTimeZone m_zone;
    QDateTimeEdit* m_edit;
    QLabel* m_note;
    QPushButton* m_now;
    QPushButton* m_revert;
    QPushButton* m_done;
    bool m_changed = false;
    QDateTime m_dateAtOpen;
};
