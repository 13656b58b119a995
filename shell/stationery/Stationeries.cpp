#include "Stationeries.h"

#include "Entry.h"
#include "KeyedArchiver.h"
#include "Localization.h"
#include "StationeryDialogs.h"
#include "StationeryLog.h"
#include "StoredArchive.h"
#include "SupportFolder.h"
#include "UniqueId.h"

#include <QDateTime>
#include <QMenu>
#include <algorithm>

namespace {
const char Table[] = "AppControl";
}

Stationeries::Stationeries(const QString& path, QObject* parent) : QObject(parent), m_path(path) {}

Stationeries::~Stationeries()
{
    delete m_saveDialog;
    delete m_manageDialog;
}

QString Stationeries::defaultPath()
{
    const QString folder = cutils::applicationSupportFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/stationeries.plist");
}

void Stationeries::loadStationeries(QString* report)
{
    QStringList warnings;
    const QList<EntryPtr> list =
        StoredArchive::loadRecords<Entry>(m_path, "entries", report, &warnings);
    for (const QString& warning : warnings)
        qCWarning(lcStationery).noquote() << warning;
    m_stationeries = list;
    emit stationeriesChanged();
    setupStationeryMenu();
}

bool Stationeries::saveStationeries(QString* error) const
{
    QVariantList roots;
    for (const EntryPtr& entry : m_stationeries)
        roots.append(QVariant::fromValue(std::static_pointer_cast<Archivable>(entry)));
    return KeyedArchiver::archiveToFile(m_path, roots, error);
}

void Stationeries::saveNow()
{
    QString error;
    if (saveStationeries(&error))
        return;
    qCWarning(lcStationery).noquote() << "stationery not saved:" << error;
    emit saveFailed(localized(Table, "The stationery could not be saved: %1").arg(error));
}

void Stationeries::setStationeries(const QList<EntryPtr>& list)
{
    m_stationeries = list;
    emit stationeriesChanged();
}

void Stationeries::renameStationeryAt(int row, const QString& name)
{
    if (row < 0 || row >= m_stationeries.size())
        return;
    m_stationeries.at(row)->setUniqueID(name);
    emit stationeriesChanged();
}

void Stationeries::removeStationeryAt(int row)
{
    if (row < 0 || row >= m_stationeries.size())
        return;
    m_stationeries.removeAt(row);
    emit stationeriesChanged();
}

EntryPtr Stationeries::stationeryForKey(const QString& name) const
{
    for (const EntryPtr& entry : m_stationeries) {
        if (entry->uniqueID() == name)
            return entry;
    }
    return nullptr;
}

void Stationeries::sortByName()
{
    std::stable_sort(m_stationeries.begin(), m_stationeries.end(),
                     [](const EntryPtr& a, const EntryPtr& b) {
                         return a->uniqueID().compare(b->uniqueID(), Qt::CaseInsensitive) < 0;
                     });
}

bool Stationeries::addStationery(const Entry& entry, const QString& name, QString* error)
{
    if (name.isEmpty())
        return false;
    EntryPtr copy = entry.copy();
    copy->setUniqueID(name);
    m_stationeries.append(copy);
    sortByName();
    emit stationeriesChanged();
    setupStationeryMenu();
    QString reason;
    if (saveStationeries(&reason))
        return true;
    qCWarning(lcStationery).noquote() << "stationery not saved:" << reason;
    if (error)
        *error = reason;
    emit saveFailed(localized(Table, "The stationery could not be saved: %1").arg(reason));
    return false;
}

void Stationeries::setStationeryMenu(QMenu* menu)
{
    m_menu = menu;
    setupStationeryMenu();
}

void Stationeries::setupStationeryMenu()
{
    if (!m_menu)
        return;
    m_menu->clear();
    for (const EntryPtr& entry : m_stationeries) {
        if (entry->uniqueID().isEmpty())
            continue;
        QAction* item = m_menu->addAction(entry->uniqueID());
        // The item holds the stationery itself, as it stood when the menu was made.
        connect(item, &QAction::triggered, this, [this, entry] { newWithStationery(entry); });
    }
    m_menu->addSeparator();
    QAction* manage =
        m_menu->addAction(localized(Table, "Manage Stationeries%1").arg(QChar(0x2026)));
    connect(manage, &QAction::triggered, this, [this] { manageStationeries(); });
}

EntryPtr Stationeries::draftFromStationery(const Entry& stationery)
{
    EntryPtr draft = stationery.copy();
    draft->setUniqueID(newUniqueID());
    draft->setEntryDate(QDateTime::currentDateTime());
    draft->setFlag(Entry::LocalOnly | (stationery.flag() & Entry::IsPage));
    draft->setPermaLink(QString());
    draft->setEditURI(QString());
    draft->setNeedsSave(true);
    draft->setIsNew(true);
    return draft;
}

void Stationeries::newWithStationery(const EntryPtr& stationery)
{
    if (stationery)
        emit newDraftRequested(draftFromStationery(*stationery));
}

void Stationeries::saveAsStationery(Entry* frontDraftEntry, QWidget* parent)
{
    if (!frontDraftEntry || m_saveDialog)
        return;
    // The entry may go while the dialog is open; keep what is to be saved.
    const EntryPtr snapshot = frontDraftEntry->copy();
    m_saveDialog = new SaveStationeryDialog(frontDraftEntry->displayName(), parent);
    m_saveDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_saveDialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    connect(m_saveDialog, &QDialog::finished, this, [this, snapshot](int result) {
        const QString name = m_saveDialog ? m_saveDialog->name() : QString();
        if (result == QDialog::Accepted && !name.isEmpty())
            addStationery(*snapshot, name);
    });
    m_saveDialog->open();
}

void Stationeries::manageStationeries(QWidget* parent)
{
    if (m_manageDialog) {
        m_manageDialog->raise();
        m_manageDialog->activateWindow();
        return;
    }
    m_manageDialog = new ManageStationeriesDialog(this, parent ? parent->window() : nullptr);
    m_manageDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_manageDialog->setWindowModality(Qt::ApplicationModal);
    connect(m_manageDialog, &QDialog::finished, this, [this] {
        setupStationeryMenu();
        saveNow();
    });
    m_manageDialog->open();
}
