// The draft window's date panel: the post's publication date and the custom-date mark.
#include "DateHUDPanel.h"

#include "Blog.h"
#include "BlogClock.h"
#include "Draft.h"
#include "Entry.h"
#include "Localization.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The locale's short date with all four digits of the year (the panel
// reaches from 1900 to 9999) and its time with seconds, without a zone: the
// editor holds clock fields, the zone is the panel's.
QString displayFormat()
{
    const QLocale locale;
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QLatin1Char('t'));
    return date + QLatin1Char(' ') + time.trimmed();
}

QString shownClock(const QDateTime& clock)
{
    return QLocale().toString(clock, displayFormat());
}

} // namespace

DateHUDPanel::DateHUDPanel(Draft& draft, QWidget* parent)
    : QFrame(parent), m_draft(draft), m_zone(QTimeZone::systemTimeZone())
{
    setObjectName(QStringLiteral("datePanel"));
    setMinimumWidth(340);
    auto* title = new QLabel(localized("Draft", "Publication Date"), this);
    title->setObjectName(QStringLiteral("hudTitle"));
    m_edit = new QDateTimeEdit(this);
    m_edit->setCalendarPopup(true);
    // Clock fields only: a time the clocks skip can be typed, and is then
    // shown as the time it becomes.
    m_edit->setTimeSpec(Qt::UTC);
    m_edit->setDisplayFormat(displayFormat());
    m_edit->setDateTimeRange(QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC),
                             QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC));
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->hide();
    m_now = new QPushButton(localized("Draft", "Now"), this);
    m_revert = new QPushButton(localized("Draft", "Revert"), this);
    m_done = new QPushButton(localized("Draft", "Done"), this);
    m_done->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_now);
    buttons->addWidget(m_revert);
    buttons->addStretch(1);
    buttons->addWidget(m_done);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_edit);
    layout->addWidget(m_note);
    layout->addLayout(buttons);

    connect(m_edit, &QDateTimeEdit::dateTimeChanged, this, [this] { userEdited(); });
    connect(m_now, &QPushButton::clicked, this, &DateHUDPanel::setNow);
    connect(m_revert, &QPushButton::clicked, this, &DateHUDPanel::revert);
    connect(m_done, &QPushButton::clicked, this, &DateHUDPanel::done);
}

void DateHUDPanel::setClockZone(const QTimeZone& zone)
{
    m_zone = zone;
    if (const EntryPtr entry = m_draft.entry())
        showDate(entry->entryDate());
}

void DateHUDPanel::opened()
{
    m_changed = false;
    const EntryPtr entry = m_draft.entry();
    m_dateAtOpen = entry ? entry->entryDate() : QDateTime();
    showDate(m_dateAtOpen);
    updateNote();
}

void DateHUDPanel::showDate(const QDateTime& instant)
{
    const QDateTime clock = instant.toTimeZone(m_zone);
    const QSignalBlocker quiet(m_edit);
    m_edit->setDateTime(QDateTime(clock.date(), clock.time(), Qt::UTC));
}

void DateHUDPanel::userEdited()
{
    const EntryPtr entry = m_draft.entry();
    if (!entry)
        return;
    const QDateTime fields = m_edit->dateTime();
    const QDateTime instant = BlogClock::instantOnClock(fields.date(), fields.time(), m_zone);
    if (!instant.isValid())
        return;
    QString gapNote;
    const QDateTime shown = instant.toTimeZone(m_zone);
    if (shown.date() != fields.date() || shown.time() != fields.time()) {
        // The clocks skip this time on that day: show what it becomes now,
        // not after Done.
        showDate(instant);
        gapNote = localized("Draft", "The clocks skip %1 (they go forward): the post is dated %2.")
                      .arg(shownClock(fields), shownClock(shown));
    }
    // Back at the date it opened with: that very date, in its own form.
    entry->setEntryDate(instant == m_dateAtOpen ? m_dateAtOpen : instant);
    m_changed = true;
    updateNote(gapNote);
}

void DateHUDPanel::setNow()
{
    const EntryPtr entry = m_draft.entry();
    if (!entry)
        return;
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    entry->setEntryDate(now);
    entry->setHasCustomDate(true);
    m_changed = true;
    showDate(now);
    updateNote();
}

void DateHUDPanel::revert()
{
    const EntryPtr entry = m_draft.entry();
    const EntryPtr saved = m_draft.savedCopy();
    if (!entry || !saved)
        return;
    entry->setEntryDate(saved->entryDate());
    entry->setHasCustomDate(saved->hasCustomDate());
    // The post is back as saved: Done leaves the restored mark alone.
    m_changed = false;
    m_dateAtOpen = entry->entryDate();
    showDate(m_dateAtOpen);
    updateNote();
}

void DateHUDPanel::done()
{
    const EntryPtr entry = m_draft.entry();
    // A change the user took back within this opening is no change.
    if (entry && m_changed && entry->entryDate() != m_dateAtOpen)
        entry->setHasCustomDate(true);
    m_changed = false;
    emit finished();
}

void DateHUDPanel::updateNote(const QString& gapNote)
{
    QStringList lines;
    if (!gapNote.isEmpty())
        lines << gapNote;
    const EntryPtr entry = m_draft.entry();
    Blog* blog = m_draft.blog();
    if (entry && blog) {
        const QTimeZone server = BlogClock::serverClock(blog);
        const QDateTime instant = entry->entryDate();
        if (BlogClock::offsetAt(server, instant) != BlogClock::offsetAt(m_zone, instant)) {
            const QDateTime onServer = BlogClock::toZoneClock(instant, server);
            lines << localized("Draft", "On the blog's clock: %1")
                         .arg(QLocale().toString(QDateTime(onServer.date(), onServer.time()),
                                                 displayFormat()));
        }
    }
    m_note->setText(lines.join(QLatin1Char('\n')));
    m_note->setVisible(!lines.isEmpty());
}

QString DateHUDPanel::noteText() const
{
    return m_note->isHidden() ? QString() : m_note->text();
}
