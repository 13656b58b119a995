#include "ScriptRunnerObject.h"

#include "PLUMETAddonHost.h"
#include "ScriptRun.h"
#include "ScriptRunView.h"
#include "ScriptRunner.h"

ScriptRunnerObject::ScriptRunnerObject(ScriptRunner& addon) : m_addon(addon) {}

ScriptRunnerObject::~ScriptRunnerObject()
{
    stopRun();
    delete m_view;
}

QWidget* ScriptRunnerObject::view()
{
    if (!m_view) {
        m_view = new ScriptRunView;
        connect(m_view.data(), &ScriptRunView::cancelClicked, this, [this] { finish(QString()); });
    }
    return m_view;
}

void ScriptRunnerObject::addonRequested(PLUMETAddonHost* draft, const QString& selection,
                                        const QString& subaction)
{
    stopRun();
    m_draft = draft;
    view();
    QString failure;
    ScriptRun* run = m_addon.makeRun(subaction, selection, &failure);
    if (!run) {
        if (failure.isEmpty())
            finish(QString()); // a script that runs as nothing
        else
            m_view->showFailure(failure);
        return;
    }
    m_run = run;
    run->setParent(this);
    connect(run, &ScriptRun::finished, this, &ScriptRunnerObject::runEnded);
    m_view->showRunning(subaction);
    run->start();
}

void ScriptRunnerObject::runEnded(const ScriptOutcome& outcome)
{
    stopRun();
    if (outcome.failure.isEmpty())
        finish(outcome.text);
    else
        m_view->showFailure(outcome.failure);
}

void ScriptRunnerObject::finish(const QString& text)
{
    stopRun();
    if (PLUMETAddonHost* draft = std::exchange(m_draft, nullptr))
        draft->addonFinished(text);
}

void ScriptRunnerObject::sheetClosed(PLUMETAddonHost* draft)
{
    Q_UNUSED(draft);
    stopRun();
    m_draft = nullptr;
}

void ScriptRunnerObject::willDispose(PLUMETAddonHost* draft)
{
    Q_UNUSED(draft);
    stopRun();
    m_draft = nullptr;
}

void ScriptRunnerObject::stopRun()
{
    if (ScriptRun* run = m_run.data()) {
        m_run = nullptr;
        disconnect(run, nullptr, this, nullptr);
        run->cancel();
        // Possibly still inside one of its own signals.
        run->deleteLater();
    }
}
