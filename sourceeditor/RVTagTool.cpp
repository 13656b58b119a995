#include "RVTagTool.h"

#include "CustomTagDispatch.h"
#include "CustomTagListModel.h"
#include "KeyedArchiver.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "ShortcutString.h"
#include "SourceEditorLog.h"
#include "StoredArchive.h"
#include "SupportFolder.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMutex>
#include <QTableView>
#include <QVBoxLayout>

namespace {

RVTagTool* s_shared = nullptr;
QMutex s_sharedLock;

const char Table[] = "RVTagTool";

} // namespace

RVTagTool::RVTagTool(const QString& path, QObject* parent) : QObject(parent), m_path(path)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(500);
    connect(&m_saveTimer, &QTimer::timeout, this, &RVTagTool::saveNow);
    loadTags(&m_loadReport);
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(application, &QApplication::focusChanged, this, &RVTagTool::enableMenuItems);
}

RVTagTool::~RVTagTool()
{
    if (m_saveTimer.isActive()) {
        m_saveTimer.stop();
        saveNow();
    }
    delete m_window;
    if (s_shared == this)
        s_shared = nullptr;
}

RVTagTool& RVTagTool::sharedInstance()
{
    QMutexLocker locker(&s_sharedLock);
    if (!s_shared) {
        s_shared = new RVTagTool(defaultPath());
        NotificationCenter::sharedInstance().observe(QStringLiteral("goingToQuitNotification"),
                                                     s_shared, [](const Notification&) {
                                                         if (s_shared)
                                                             s_shared->cleanUp();
                                                     });
    }
    return *s_shared;
}

bool RVTagTool::instanceExists()
{
    return s_shared != nullptr;
}

QString RVTagTool::defaultPath()
{
    const QString folder = cutils::applicationSupportFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/customtags.plist");
}

void RVTagTool::loadTags(QString* report)
{
    QStringList warnings;
    const QList<RVTagPtr> read =
        StoredArchive::loadRecords<RVTag>(m_path, "tags", report, &warnings);
    for (const QString& warning : std::as_const(warnings))
        qCWarning(lcSourceEditor).noquote() << "custom tags:" << warning;
    for (const RVTagPtr& tag : read) {
        m_tags.append(tag);
        follow(tag);
    }
    emit customTagsChanged();
    rebuildMenu();
}

bool RVTagTool::saveTags(QString* error)
{
    QVariantList roots;
    for (const RVTagPtr& tag : std::as_const(m_tags))
        roots.append(QVariant::fromValue(std::static_pointer_cast<Archivable>(tag)));
    return KeyedArchiver::archiveToFile(m_path, roots, error);
}

void RVTagTool::saveNow()
{
    QString error;
    if (saveTags(&error))
        return;
    qCWarning(lcSourceEditor).noquote() << "custom tags not saved:" << error;
    emit saveFailed(localized(Table, "The custom tags could not be saved: %1").arg(error));
}

void RVTagTool::setCustomTags(const QList<RVTagPtr>& tags)
{
    for (const RVTagPtr& tag : std::as_const(m_tags))
        disconnect(tag.get(), nullptr, this, nullptr);
    m_tags = tags;
    for (const RVTagPtr& tag : std::as_const(m_tags))
        follow(tag);
    emit customTagsChanged();
    rebuildMenu();
    changed();
}

void RVTagTool::follow(const RVTagPtr& tag)
{
    connect(tag.get(), &ModelRecord::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String("title") || key == QLatin1String("shortcut"))
            rebuildMenu();
        changed();
    });
}

void RVTagTool::changed()
{
    m_saveTimer.start();
}

void RVTagTool::cleanUp()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    if (m_window)
        m_window->close();
    m_saveTimer.stop();
    saveNow();
    if (s_shared == this) {
        s_shared = nullptr;
        deleteLater();
    }
}

// --- menu and window --------------------------------------------------------

void RVTagTool::loadUI(QMenu* menu)
{
    if (m_menu)
        disconnect(m_menu, nullptr, this, nullptr);
    m_menu = menu;
    if (m_menu)
        connect(m_menu, &QMenu::aboutToShow, this, &RVTagTool::enableMenuItems);
    rebuildMenu();
}

void RVTagTool::rebuildMenu()
{
    if (!m_menu)
        return;
    m_menu->clear();
    for (const RVTagPtr& tag : std::as_const(m_tags)) {
        if (tag->title().isEmpty())
            continue;
        QAction* item = m_menu->addAction(tag->title());
        item->setShortcut(ShortcutString::toKeySequence(tag->shortcut()));
        const std::weak_ptr<RVTag> held = tag;
        connect(item, &QAction::triggered, this, [held] {
            if (const RVTagPtr applied = held.lock())
                CustomTagDispatch::tagClickAction(*applied, QApplication::activeWindow());
        });
    }
    enableMenuItems();
}

void RVTagTool::enableMenuItems()
{
    if (!m_menu)
        return;
    const bool editor = CustomTagDispatch::focusedEditor(QApplication::activeWindow()) != nullptr;
    for (QAction* item : m_menu->actions())
        item->setEnabled(editor);
}

CustomTagListModel* RVTagTool::listModel()
{
    if (!m_model)
        m_model = new CustomTagListModel(*this, this);
    return m_model;
}

void RVTagTool::showWindow()
{
    if (!m_window) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setWindowTitle(localized(Table, "Custom Tags"));
        auto* layout = new QVBoxLayout(window);
        auto* table = new QTableView(window);
        table->setObjectName(QStringLiteral("tagTable"));
        table->setModel(listModel());
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setSelectionMode(QAbstractItemView::SingleSelection);
        table->verticalHeader()->hide();
        table->horizontalHeader()->setSectionResizeMode(CustomTagListModel::IconColumn,
                                                        QHeaderView::ResizeToContents);
        table->horizontalHeader()->setStretchLastSection(true);
        table->setShowGrid(false);
        layout->addWidget(table);
        window->resize(360, 300);
        m_window = window;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
