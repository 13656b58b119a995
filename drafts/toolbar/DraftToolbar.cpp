// The draft window's customisable toolbar: its items, their lists, and the add-on items.
#include "DraftToolbar.h"

#include "AddonManager.h"
#include "DraftsLog.h"
#include "ToolbarItemText.h"

#include <QAction>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace {

using namespace ToolbarIdentifiers;

constexpr ToolbarItemText items[] = {
    {DraftToolbar::publishItem, "Publish", "Publish Draft", "document-send"},
    {DraftToolbar::saveItem, "Save", "Saves Draft or Post", "document-save"},
    {DraftToolbar::customTagsItem, "Custom Tags", "Edit custom HTML tags", "code-context"},
    {DraftToolbar::summaryItem, "Create Summary", "Create a summary", "format-justify-left"},
    {DraftToolbar::adjustTimeItem, "Adjust Time", "Adjust Published Time and Date",
     "appointment-new"},
    {DraftToolbar::trackbackItem, "Trackback", "Manage Trackback URLs", "insert-link"},
    {DraftToolbar::wordCountItem, "Word Count", "Calculate Text Statistics",
     "accessories-text-editor"},
    {DraftToolbar::mediaItem, "Import Media",
     "Import images, sound and movies from iPhoto, Aperture, iTunes", "insert-image"},
};

// Whether `path` names a file inside the folder `bundle` (links resolved, so
// a link pointing out of the bundle does not count).
bool liesInside(const QString& path, const QString& bundle)
{
    const QString file = QFileInfo(path).canonicalFilePath();
    const QString folder = QFileInfo(bundle).canonicalFilePath();
    if (file.isEmpty() || folder.isEmpty() || !QFileInfo(bundle).isDir())
        return false;
    return file.startsWith(folder + QLatin1Char('/'));
}

// The add-on's toolbar picture, or a null one (with the reason logged) when
// it lies outside its bundle, is too large or is no picture.
QIcon addonIcon(const QString& key, const QString& path, const QString& bundle)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        qCWarning(lcDrafts, "Add-on \"%s\": its toolbar icon \"%s\" does not exist.",
                  qUtf8Printable(key), qUtf8Printable(path));
        return {};
    }
    if (!liesInside(path, bundle)) {
        qCWarning(lcDrafts, "Add-on \"%s\": its toolbar icon \"%s\" lies outside its bundle.",
                  qUtf8Printable(key), qUtf8Printable(path));
        return {};
    }
    if (info.size() > DraftToolbar::maximumIconBytes) {
        qCWarning(lcDrafts, "Add-on \"%s\": its toolbar icon \"%s\" is larger than 1 MB.",
                  qUtf8Printable(key), qUtf8Printable(path));
        return {};
    }
    QImageReader reader(info.canonicalFilePath());
    const QImage image = reader.read();
    if (image.isNull()) {
        qCWarning(lcDrafts, "Add-on \"%s\": its toolbar icon \"%s\" is not an image (%s).",
                  qUtf8Printable(key), qUtf8Printable(path), qUtf8Printable(reader.errorString()));
        return {};
    }
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

DraftToolbar::DraftToolbar(Commands commands, const AddonManager* addons)
    : m_runAddon(std::move(commands.runAddon)), m_addonsEnabled(std::move(commands.addonsEnabled)),
      m_addons(addons)
{
    for (auto it = commands.actions.cbegin(); it != commands.actions.cend(); ++it)
        m_actions.insert(it.key(), it.value());
}

bool DraftToolbar::canCreateSummary(int paneCode)
{
    return paneCode == 2 || paneCode == 3;
}

QStringList DraftToolbar::addonKeys() const
{
    return m_addons ? m_addons->toolbarKeys() : QStringList();
}

QStringList DraftToolbar::toolbarAllowedItemIdentifiers() const
{
    return listOf({separator, space, flexibleSpace, customTagsItem, summaryItem, adjustTimeItem,
                   trackbackItem, wordCountItem, mediaItem, customize, publishItem, saveItem}) +
           addonKeys();
}

QStringList DraftToolbar::toolbarDefaultItemIdentifiers() const
{
    QStringList list = listOf({saveItem, publishItem, separator, mediaItem, summaryItem,
                               adjustTimeItem, trackbackItem, wordCountItem, customTagsItem});
    const QStringList keys = addonKeys();
    if (!keys.isEmpty())
        list << QLatin1String(separator) << keys;
    return list + listOf({flexibleSpace, customize});
}

ToolbarItem DraftToolbar::toolbarItem(const QString& identifier) const
{
    const ToolbarItemText* known = ToolbarItemText::find(items, identifier);
    if (!known)
        return addonItem(identifier);
    ToolbarItem item = known->item("Draft", QStringLiteral(":/drafts/toolbar"));
    // The item runs its menu command, so it never does what the menu refuses.
    QPointer<QAction> command = m_actions.value(identifier);
    item.action = [command] {
        if (command)
            command->trigger();
    };
    return item;
}

ToolbarItem DraftToolbar::addonItem(const QString& key) const
{
    ToolbarItem item;
    item.identifier = key;
    if (!m_addons || !m_addons->toolbarKeys().contains(key))
        return item;
    PLUMETAddonProtocol* addon = m_addons->pluginForKey(key);
    if (!addon)
        return item;
    if (!addon->subActions().isEmpty()) {
        qCWarning(lcDrafts, "Add-on \"%s\" has sub-actions: it gets no toolbar item.",
                  qUtf8Printable(key));
        return item;
    }
    const QIcon icon = addonIcon(key, addon->toolbarIcon(), m_addons->originForKey(key));
    if (icon.isNull())
        return item;
    item.label = key;
    item.paletteLabel = key;
    item.icon = icon;
    item.toolTip = addon->addonDescription();
    item.action = [run = m_runAddon, key] {
        if (run)
            run(key);
    };
    return item;
}

bool DraftToolbar::validateToolbarItem(const QString& identifier) const
{
    if (ToolbarItemText::find(items, identifier)) {
        const QAction* command = m_actions.value(identifier);
        return command && command->isEnabled();
    }
    if (m_addons && m_addons->toolbarKeys().contains(identifier))
        return m_addonsEnabled && m_addonsEnabled();
    return true;
}
