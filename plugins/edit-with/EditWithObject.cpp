#include "EditWithObject.h"

#include "EditSession.h"
#include "EditWith.h"
#include "EditWithView.h"
#include "EditorIcon.h"
#include "PLUMETAddonHost.h"

#include <QCoreApplication>
#include <QLocale>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("EditWith", text);
}

} // namespace

EditWithObject::EditWithObject(EditWith& addon) : m_addon(addon) {}

EditWithObject::~EditWithObject()
{
    endSession();
    delete m_view;
}

QWidget* EditWithObject::view()
{
    if (!m_view) {
        m_view = new EditWithView;
        connect(m_view.data(), &EditWithView::cancelClicked, this, [this] { finish(QString()); });
        connect(m_view.data(), &EditWithView::doneClicked, this, [this] {
            if (m_session)
                m_session->done();
            else
                finish(QString());
        });
    }
    return m_view;
}

void EditWithObject::addonRequested(PLUMETAddonHost* draft, const QString& selection,
                                    const QString& subaction)
{
    endSession();
    m_draft = draft;
    view();
    const QVariantMap table = m_addon.editorTable();
    if (subaction.isNull()) {
        QStringList names = table.keys();
        fail(translated("No outside editor was found. Install one of these, or add yours to the "
                        "list of editors: %1.")
                 .arg(QLocale().createSeparatedList(names)));
        return;
    }
    const QString commandLine = table.value(subaction).toString();
    m_view->showEditing(subaction, editwith::editorIcon(commandLine));
    if (commandLine.trimmed().isEmpty()) {
        fail(translated("“%1” is not in the list of editors.").arg(subaction));
        return;
    }
    if (selection.isNull()) {
        fail(translated("There is no text to edit: click into the draft's text first."));
        return;
    }
    m_session = new EditSession(m_addon.privateFolder(), selection, commandLine, &m_addon);
    connect(m_session, &EditSession::saved, m_view.data(), &EditWithView::showSaved);
    connect(m_session, &EditSession::editorReturnedAtOnce, m_view.data(),
            &EditWithView::showWaitingForDone);
    connect(m_session, &EditSession::editorClosed, this, &EditWithObject::finish);
    connect(m_session, &EditSession::failed, this, &EditWithObject::fail);
    QString error;
    if (!m_session->start(&error))
        fail(error);
}

void EditWithObject::fail(const QString& message)
{
    endSession();
    m_view->showFailure(message);
}

void EditWithObject::finish(const QString& text)
{
    endSession();
    if (PLUMETAddonHost* draft = std::exchange(m_draft, nullptr))
        draft->addonFinished(text);
}

void EditWithObject::sheetClosed(PLUMETAddonHost* draft)
{
    Q_UNUSED(draft);
    endSession();
    m_draft = nullptr;
}

void EditWithObject::willDispose(PLUMETAddonHost* draft)
{
    Q_UNUSED(draft);
    endSession();
    m_draft = nullptr;
}

void EditWithObject::endSession()
{
    if (EditSession* session = m_session.data()) {
        m_session = nullptr;
        disconnect(session, nullptr, this, nullptr);
        disconnect(session, nullptr, m_view.data(), nullptr);
        session->cancel();
    }
}
