#include "RVDiffArrayController.h"

#include "Blog.h"
#include "BlogClock.h"
#include "DiffToolLog.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryServerMerge.h"
#include "Localization.h"
#include "PaletteColors.h"
#include "RVDiffTool.h"
#include "StringEncoding.h"
#include "StringExtensions.h"
#include "UserDefaults.h"
#include "WordDiff.h"

#include <QFile>
#include <QGuiApplication>
#include <QLocale>

namespace {

const QString dateKey = QStringLiteral("datecreated");
const QString originalDateKey = QStringLiteral("oridate");

struct TabKind {
    int tag;
    const char* key;
    const char* label;
};

// The tabs in the order they are shown, each with the key of its difference.
constexpr TabKind tabKinds[] = {
    {RVDiffArrayController::TimeTab, "datecreated", QT_TRANSLATE_NOOP("RVDiffTool", "Time & Date")},
    {RVDiffArrayController::TitleTab, "title", QT_TRANSLATE_NOOP("RVDiffTool", "Title")},
    {RVDiffArrayController::MainTab, "description", QT_TRANSLATE_NOOP("RVDiffTool", "Main")},
    {RVDiffArrayController::ExtendedTab, "mt_text_more",
     QT_TRANSLATE_NOOP("RVDiffTool", "Extended")},
    {RVDiffArrayController::SummaryTab, "mt_excerpt", QT_TRANSLATE_NOOP("RVDiffTool", "Summary")},
    {RVDiffArrayController::KeywordsTab, "mt_keywords",
     QT_TRANSLATE_NOOP("RVDiffTool", "Keywords")},
};

QVariantMap diffsOf(const Entry& entry)
{
    return entry.diffs().value_or(QVariantMap());
}

// Whether the dates are all that differ; a lone title or keywords
// difference is not a date difference, however few keys it has.
bool onlyDatesDiffer(const QVariantMap& diffs)
{
    if (!diffs.contains(dateKey))
        return false;
    for (auto it = diffs.cbegin(); it != diffs.cend(); ++it) {
        if (it.key() != dateKey && it.key() != originalDateKey)
            return false;
    }
    return true;
}

QString orBody(const QString& sent, const QString& text)
{
    return sent.isNull() ? text : sent;
}

// The text form of a text: tags out, references read, so that only words
// are compared (and escaped again on the way into the page).
QString textForm(const QString& html)
{
    return rv::convertEntities(rv::trimHTML(html));
}

QString unit(qint64 count, const char* one, const char* many)
{
    return localized("RVDiffTool", count == 1 ? one : many);
}

QString pageHeader()
{
    QFile file(QStringLiteral(":/difftool/diff.html"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcDiffTool) << "problem loading the diff page";
        return QStringLiteral("<!DOCTYPE html><html><head></head><body>");
    }
    // The page in the palette's colours: the window's own, light or dark.
    return QString::fromUtf8(file.readAll())
        .replace(QLatin1String("/*palette*/"),
                 PaletteColors::pageStyle(QGuiApplication::palette()));
}

} // namespace

RVDiffArrayController::RVDiffArrayController(RVDiffTool& tool, QObject* parent)
    : QAbstractTableModel(parent), m_tool(tool), m_headerText(pageHeader()),
      m_footerText(QStringLiteral("</body></html>"))
{
    connect(&m_tool, &RVDiffTool::entriesChanged, this, &RVDiffArrayController::entriesChanged);
    m_entries = m_tool.entries();
    watchEntries();
    if (!m_entries.isEmpty())
        m_selected = m_entries.constFirst();
    selectionDidChange();
}

RVDiffArrayController::~RVDiffArrayController()
{
    for (const auto& connection : std::as_const(m_watching))
        disconnect(connection);
}

int RVDiffArrayController::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int RVDiffArrayController::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RVDiffArrayController::data(const QModelIndex& index, int role) const
{
    const EntryPtr entry = entryAt(index.row());
    if (!entry || index.column() >= ColumnCount ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (index.column()) {
    case TitleColumn:
        return entry->displayName();
    case BlogColumn:
        if (const auto* blog = dynamic_cast<const Blog*>(entry->parentBlog()))
            return blog->displayName();
        return {};
    case DateColumn:
        return QLocale().toString(entry->entryDate(), QLocale::ShortFormat);
    default:
        return {};
    }
}

QVariant RVDiffArrayController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return localized("RVDiffTool", "Title");
    case BlogColumn:
        return localized("RVDiffTool", "Blog");
    case DateColumn:
        return localized("RVDiffTool", "Date");
    default:
        return {};
    }
}

EntryPtr RVDiffArrayController::entryAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries.at(row) : EntryPtr();
}

// --- selection ------------------------------------------------------------------------------

int RVDiffArrayController::selectedRow() const
{
    const EntryPtr selected = m_selected.lock();
    return selected ? int(m_entries.indexOf(selected)) : -1;
}

EntryPtr RVDiffArrayController::selectedEntry() const
{
    const EntryPtr selected = m_selected.lock();
    return selected && m_entries.contains(selected) ? selected : EntryPtr();
}

void RVDiffArrayController::setSelectedRow(int row)
{
    const EntryPtr entry = entryAt(row);
    if (entry == selectedEntry())
        return;
    m_selected = entry;
    selectionDidChange();
}

QString RVDiffArrayController::currentIndex() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : QString::number(row + 1);
}

void RVDiffArrayController::entriesChanged()
{
    const int previousRow = selectedRow();
    const EntryPtr previous = selectedEntry();
    beginResetModel();
    m_entries = m_tool.entries();
    endResetModel();
    watchEntries();
    EntryPtr next;
    if (previous && m_entries.contains(previous))
        next = previous;
    else if (!m_entries.isEmpty())
        next = m_entries.at(std::clamp(previousRow, 0, int(m_entries.size()) - 1));
    m_selected = next;
    if (next != previous || !next)
        selectionDidChange();
    if (m_entries.isEmpty())
        emit emptied();
}

void RVDiffArrayController::watchEntries()
{
    for (const auto& connection : std::as_const(m_watching))
        disconnect(connection);
    m_watching.clear();
    for (const EntryPtr& entry : std::as_const(m_entries)) {
        Entry* watched = entry.get();
        m_watching.append(connect(watched, &ModelRecord::valueChanged, this, [this, watched] {
            for (int row = 0; row < m_entries.size(); ++row) {
                if (m_entries.at(row).get() == watched)
                    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
            }
        }));
    }
}

void RVDiffArrayController::selectionDidChange()
{
    const QList<TabItem> shown = tabs();
    m_texts.reset();
    m_diffPlainText.reset();
    m_diffHTMLText.reset();
    m_currentTab = -1;
    emit selectionChanged();
    if (!shown.isEmpty())
        changeTab(shown.constFirst().tag);
    emit timeDiffChanged();
    emit dateCreatedChanged();
}

// --- tabs and pages -------------------------------------------------------------------------

QList<RVDiffArrayController::TabItem> RVDiffArrayController::tabs() const
{
    QList<TabItem> result;
    const EntryPtr entry = selectedEntry();
    if (!entry)
        return result;
    const QVariantMap diffs = diffsOf(*entry);
    for (const TabKind& kind : tabKinds) {
        if (diffs.contains(QLatin1String(kind.key)))
            result.append({kind.tag, localized("RVDiffTool", kind.label)});
    }
    return result;
}

QString RVDiffArrayController::notKeptText() const
{
    const EntryPtr entry = selectedEntry();
    return entry ? EntryServerMerge::notKeptSentence(
                       diffsOf(*entry).value(EntryServerMerge::notKeptKey).toStringList())
                 : QString();
}

void RVDiffArrayController::changeTab(int tag)
{
    m_currentTab = tag;
    m_texts.reset();
    m_diffPlainText.reset();
    m_diffHTMLText.reset();
    const EntryPtr entry = selectedEntry();
    if (!entry || tag == TimeTab) {
        emit pageChanged();
        return;
    }
    const QVariantMap diffs = diffsOf(*entry);
    QString local;
    QString server;
    switch (tag) {
    case TitleTab:
        local = entry->title();
        server = diffs.value(QStringLiteral("title")).toString();
        break;
    case MainTab:
        local = orBody(entry->pubBody(), entry->body());
        server = diffs.value(QStringLiteral("description")).toString();
        break;
    case ExtendedTab:
        local = orBody(entry->pubExtended(), entry->extended());
        server = diffs.value(QStringLiteral("mt_text_more")).toString();
        break;
    case SummaryTab:
        local = orBody(entry->pubSummary(), entry->summary());
        server = diffs.value(QStringLiteral("mt_excerpt")).toString();
        break;
    case KeywordsTab:
        local = entry->keywords();
        server = diffs.value(QStringLiteral("mt_keywords")).toString();
        break;
    default:
        break;
    }
    m_texts = std::make_pair(local, server);
    showText();
}

QString RVDiffArrayController::diffPlainText() const
{
    // The source form shows every tag as written.
    if (!m_diffPlainText && m_texts)
        m_diffPlainText = m_headerText + QLatin1String("<code>") +
                          rv::wordDiff(m_texts->first, m_texts->second) + QLatin1String("</code>") +
                          m_footerText;
    return m_diffPlainText.value_or(QString());
}

QString RVDiffArrayController::diffHTMLText() const
{
    // The text form compares the words alone.
    if (!m_diffHTMLText && m_texts)
        m_diffHTMLText = m_headerText + QLatin1String("<div class=\"text\">") +
                         rv::wordDiff(textForm(m_texts->first), textForm(m_texts->second)) +
                         QLatin1String("</div>") + m_footerText;
    return m_diffHTMLText.value_or(QString());
}

bool RVDiffArrayController::ignoreHTML()
{
    const QVariant value = UserDefaults::sharedInstance().value(QStringLiteral("diffIgnoreHTML"));
    return !value.isValid() || value.isNull() ||
           UserDefaults::sharedInstance().boolean(QStringLiteral("diffIgnoreHTML"));
}

void RVDiffArrayController::setIgnoreHTML(bool ignore)
{
    UserDefaults::sharedInstance().setValue(QStringLiteral("diffIgnoreHTML"), ignore);
    showText();
}

void RVDiffArrayController::showText()
{
    emit pageChanged();
}

// --- dates ----------------------------------------------------------------------------------

QString RVDiffArrayController::timeDiff() const
{
    const EntryPtr entry = selectedEntry();
    if (!entry)
        return {};
    return timeDifference(entry->entryDate(), dateCreated());
}

QString RVDiffArrayController::timeDifference(const QDateTime& local, const QDateTime& server)
{
    if (!local.isValid() || !server.isValid() || local == server)
        return {};
    qint64 apart = server.msecsTo(local) / 1000;
    const bool earlier = server.msecsTo(local) < 0;
    apart = std::abs(apart);
    const qint64 hours = apart / 3600;
    const qint64 minutes = (apart / 60) % 60;
    const qint64 seconds = apart % 60;
    const QString h = QString::number(hours) + unit(hours, " hour", " hours");
    const QString m = QString::number(minutes) + unit(minutes, " minute", " minutes");
    const QString s = QString::number(seconds) + unit(seconds, " second", " seconds");
    QString text;
    if (hours > 0 && minutes > 0 && seconds > 0)
        text = localized("RVDiffTool", "%1, %2 and %3").arg(h, m, s);
    else if (hours > 0 && minutes > 0)
        text = localized("RVDiffTool", "%1 and %2").arg(h, m);
    else if (minutes > 0 && seconds > 0)
        text = localized("RVDiffTool", "%1 and %2").arg(m, s);
    else if (hours > 0)
        text = h;
    else if (minutes > 0)
        text = m;
    else
        text = s;
    return text + localized("RVDiffTool", earlier ? " earlier" : " later");
}

QDateTime RVDiffArrayController::dateCreated() const
{
    const EntryPtr entry = selectedEntry();
    return entry ? diffsOf(*entry).value(dateKey).toDateTime() : QDateTime();
}

void RVDiffArrayController::setDateCreated(const QDateTime& date)
{
    const EntryPtr entry = selectedEntry();
    if (entry && date.isValid()) {
        QVariantMap diffs = diffsOf(*entry);
        diffs.insert(dateKey, date);
        entry->setDiffs(diffs);
    }
    emit dateCreatedChanged();
}

QString RVDiffArrayController::timeZoneName() const
{
    const EntryPtr entry = selectedEntry();
    const auto* blog = entry ? dynamic_cast<const Blog*>(entry->parentBlog()) : nullptr;
    return blog ? blog->timeZone() : QString();
}

QTimeZone RVDiffArrayController::zoneNamed(const QString& name)
{
    const QTimeZone zone(name.toUtf8());
    return zone.isValid() ? zone : QTimeZone::systemTimeZone();
}

QDateTime RVDiffArrayController::serverDateInZone(const QDateTime& oridate, const QTimeZone& zone)
{
    return BlogClock::fromZoneClock(oridate, zone);
}

// --- actions --------------------------------------------------------------------------------

QList<EntryPtr> RVDiffArrayController::targets() const
{
    if (m_allOrOne)
        return m_entries;
    const EntryPtr selected = selectedEntry();
    return selected ? QList<EntryPtr>{selected} : QList<EntryPtr>();
}

void RVDiffArrayController::save(Entry& entry, QStringList& failures)
{
    EntryOwner* owner = entry.parentBlog();
    if (!owner)
        return;
    QString error;
    if (!owner->saveEntry(&entry, &error))
        failures << QStringLiteral("\u201c%1\u201d: %2").arg(entry.displayName(), error);
}

void RVDiffArrayController::report(const QStringList& failures)
{
    if (failures.isEmpty())
        return;
    emit problem(
        localized("RVDiffTool", "The changes could not be saved to these entries' files:") +
        QLatin1Char('\n') + failures.join(QLatin1Char('\n')));
}

void RVDiffArrayController::dismiss(const QList<EntryPtr>& entries)
{
    for (const EntryPtr& entry : entries)
        m_tool.removeEntry(entry.get());
}

void RVDiffArrayController::accept()
{
    const QList<EntryPtr> chosen = targets();
    QStringList failures;
    for (const EntryPtr& entry : chosen) {
        const QVariantMap diffs = diffsOf(*entry);
        if (diffs.contains(dateKey))
            entry->setEntryDate(diffs.value(dateKey).toDateTime());
        if (diffs.contains(QStringLiteral("title")))
            entry->setTitle(diffs.value(QStringLiteral("title")).toString());
        if (diffs.contains(QStringLiteral("description")))
            entry->setBody(diffs.value(QStringLiteral("description")).toString());
        if (diffs.contains(QStringLiteral("mt_text_more")))
            entry->setExtended(diffs.value(QStringLiteral("mt_text_more")).toString());
        if (diffs.contains(QStringLiteral("mt_excerpt")))
            entry->setSummary(diffs.value(QStringLiteral("mt_excerpt")).toString());
        if (diffs.contains(QStringLiteral("mt_keywords")))
            entry->setKeywords(diffs.value(QStringLiteral("mt_keywords")).toString());
        // The buffers go too: the next comparison starts from the accepted texts.
        entry->resetDiffs();
        if (entry->hasFlag(Entry::ChangedLocally))
            entry->removeFlag(Entry::ChangedLocally);
        save(*entry, failures);
    }
    dismiss(chosen);
    report(failures);
}

void RVDiffArrayController::fixNow()
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    if (!drafts) {
        emit problem(localized("RVDiffTool", "Drafts cannot be opened yet."));
        return;
    }
    QList<EntryPtr> chosen;
    if (m_allOrOne && m_entries.size() <= mostDraftsAtOnce)
        chosen = m_entries;
    else if (const EntryPtr selected = selectedEntry())
        chosen = {selected};
    QStringList failures;
    for (const EntryPtr& entry : std::as_const(chosen)) {
        const QVariantMap diffs = diffsOf(*entry);
        const QDateTime server = diffs.value(dateKey).toDateTime();
        if (diffs.contains(originalDateKey) && server.isValid() &&
            server != diffs.value(originalDateKey).toDateTime()) {
            entry->setEntryDate(server);
            save(*entry, failures);
        }
        drafts->openDrafts({entry.get()});
        entry->resetDiffs();
    }
    dismiss(chosen);
    report(failures);
}

void RVDiffArrayController::fixLater()
{
    const QList<EntryPtr> chosen = targets();
    for (const EntryPtr& entry : chosen)
        entry->resetDiffs();
    dismiss(chosen);
}

void RVDiffArrayController::ignoreTime()
{
    QList<EntryPtr> leaving;
    for (const EntryPtr& entry : std::as_const(m_entries)) {
        if (onlyDatesDiffer(diffsOf(*entry))) {
            entry->resetDiffs();
            leaving.append(entry);
        }
    }
    dismiss(leaving);
}

void RVDiffArrayController::changeTimeZone(const QString& zoneName)
{
    const EntryPtr entry = selectedEntry();
    if (!entry)
        return;
    QString name = zoneName;
    if (auto* blog = dynamic_cast<Blog*>(entry->parentBlog())) {
        if (blog->timeZone() != zoneName)
            blog->setTimeZone(zoneName);
        name = blog->timeZone();
    }
    const QVariantMap diffs = diffsOf(*entry);
    if (diffs.contains(originalDateKey))
        setDateCreated(
            serverDateInZone(diffs.value(originalDateKey).toDateTime(), zoneNamed(name)));
    emit timeDiffChanged();
}

void RVDiffArrayController::applyTimeZoneToAll()
{
    const EntryPtr selected = selectedEntry();
    if (!selected)
        return;
    const QTimeZone zone = zoneNamed(timeZoneName());
    QList<EntryPtr> leaving;
    QStringList failures;
    for (const EntryPtr& entry : std::as_const(m_entries)) {
        QVariantMap diffs = diffsOf(*entry);
        if (!diffs.contains(originalDateKey))
            continue;
        // Read from the date as the server sent it: "datecreated" has been
        // shifted once already and must not be shifted again.
        entry->setEntryDate(serverDateInZone(diffs.value(originalDateKey).toDateTime(), zone));
        diffs.remove(dateKey);
        diffs.remove(originalDateKey);
        if (diffs.isEmpty()) {
            entry->resetDiffs();
            leaving.append(entry);
        } else {
            entry->setDiffs(diffs);
        }
        save(*entry, failures);
    }
    dismiss(leaving);
    // What is left may have lost its date tab.
    if (selectedEntry())
        selectionDidChange();
    report(failures);
}
