#include "DraftAddonHandler.h"

#include "AddonManager.h"
#include "AddonTextHolder.h"
#include "SyncGuiLog.h"

#include <QDialog>
#include <QVBoxLayout>

DraftAddonHandler::DraftAddonHandler(QWidget* window, AddonTextHolder& text, AddonManager& addons,
                                     QObject* parent)
    : QObject(parent), m_window(window), m_text(text), m_addons(addons)
{
}

DraftAddonHandler::~DraftAddonHandler()
{
    dispose();
    delete m_sheet;
}

PLUMETAddonObject* DraftAddonHandler::addonObject(const QString& key) const
{
    return m_objects.value(key).get();
}

void DraftAddonHandler::callAddon(const QString& key, const QString& subaction)
{
    if (m_disposed)
        return;
    if (!m_runningKey.isNull()) {
        qCWarning(lcSyncGui) << "add-on" << key << "asked for while" << m_runningKey << "runs";
        return;
    }
    PLUMETAddonProtocol* addon = m_addons.pluginForKey(key);
    if (!addon || !(addon->role() & PLUMETAddonProtocol::MenuAddon))
        return;

    const QString text = m_text.selectedText(addon->requiresFullText());
    m_runningKey = key;
    // Kept alive here even if the add-on ends the draft while it runs.
    std::shared_ptr<PLUMETAddonObject> object = m_objects.value(key);
    if (object) {
        object->addonRequested(this, text, subaction);
    } else {
        object = addon->addonRequested(this, text, subaction);
        if (object && !m_disposed)
            m_objects.insert(key, object);
    }
    // The add-on may have finished at once (then there is nothing to show),
    // or the draft may have gone meanwhile.
    if (m_runningKey != key || m_disposed)
        return;
    if (!object) {
        emit addonEnded(endRequest());
        return;
    }
    showSheet(*object);
}

void DraftAddonHandler::showSheet(PLUMETAddonObject& object)
{
    if (!m_sheet) {
        m_sheet = new QDialog(m_window);
        m_sheet->setWindowModality(Qt::WindowModal);
        auto* layout = new QVBoxLayout(m_sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        m_container = new QWidget(m_sheet);
        auto* containerLayout = new QVBoxLayout(m_container);
        containerLayout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_container);
        // Escape or the window's close button: the user ends the request.
        connect(m_sheet, &QDialog::rejected, this, &DraftAddonHandler::sheetClosedByUser);
    }
    m_sheet->setWindowTitle(m_runningKey);
    m_sheet->setMinimumSize(0, 0);
    m_sheet->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (QWidget* view = object.view()) {
        m_container->layout()->addWidget(view);
        view->show();
        m_sheet->setMinimumSize(object.minimumSize());
        m_sheet->setSizeGripEnabled(object.canResize());
        m_sheet->adjustSize();
        if (!object.canResize())
            m_sheet->setFixedSize(m_sheet->size());
    }
    m_sheet->open();
}

void DraftAddonHandler::addonFinished(const QString& text)
{
    if (m_runningKey.isNull()) {
        qCDebug(lcSyncGui) << "dropped an add-on result that came after its request ended";
        return;
    }
    const QString key = endRequest();
    if (!text.isNull())
        m_text.changeSelectedText(text);
    emit addonEnded(key);
}

void DraftAddonHandler::sheetClosedByUser()
{
    if (m_runningKey.isNull())
        return;
    const QString key = endRequest();
    if (std::shared_ptr<PLUMETAddonObject> object = m_objects.value(key))
        object->sheetClosed(this);
    emit addonEnded(key);
}

QString DraftAddonHandler::endRequest()
{
    const QString key = std::exchange(m_runningKey, QString());
    if (m_sheet && m_sheet->isVisible()) {
        // Quietly: hiding is not the user closing it.
        const QSignalBlocker blocker(m_sheet);
        m_sheet->done(QDialog::Accepted);
    }
    disposeAddonView();
    return key;
}

void DraftAddonHandler::disposeAddonView()
{
    if (!m_container)
        return;
    const QList<QWidget*> views =
        m_container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* view : views) {
        m_container->layout()->removeWidget(view);
        view->hide();
        view->setParent(nullptr);
    }
}

void DraftAddonHandler::dispose()
{
    if (m_disposed)
        return;
    m_disposed = true;
    if (!m_runningKey.isNull())
        emit addonEnded(endRequest());
    const auto objects = std::exchange(m_objects, {});
    for (const std::shared_ptr<PLUMETAddonObject>& object : objects)
        object->willDispose(this);
}
