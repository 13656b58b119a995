#include "EditWith.h"

#include "EditSession.h"
#include "EditWithObject.h"
#include "EditorTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

EditWith::EditWith()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &EditWith::removeLeftovers);
}

EditWith::~EditWith()
{
    removeLeftovers();
}

QString EditWith::addonDescription() const
{
    return QCoreApplication::translate("EditWith",
                                       "This addon lets you edit drafts using an external editor.");
}

QVariantMap EditWith::editorTable() const
{
    return editwith::editorTable(m_preferences);
}

QStringList EditWith::subActions() const
{
    return editwith::installedEditors(editorTable());
}

std::unique_ptr<PLUMETAddonObject>
EditWith::addonRequested(PLUMETAddonHost* draft, const QString& selection, const QString& subaction)
{
    auto object = std::make_unique<EditWithObject>(*this);
    object->addonRequested(draft, selection, subaction);
    return object;
}

QString EditWith::privateFolder()
{
    if (!m_folder || !QFileInfo(m_folder->path()).isDir()) {
        // Made by mkdtemp: a new name, readable by the user alone.
        m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                   QStringLiteral("/plumet-edit-XXXXXX"));
        if (!m_folder->isValid()) {
            m_folder.reset();
            return {};
        }
        QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner);
    }
    return m_folder->path();
}

void EditWith::removeLeftovers()
{
    for (EditSession* session : findChildren<EditSession*>(QString(), Qt::FindDirectChildrenOnly))
        session->cancel();
    m_folder.reset();
}
