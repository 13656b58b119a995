#pragma once

#include "PLUMETAddonObject.h"

#include <QObject>
#include <QPointer>

class ScriptRun;
class ScriptRunView;
class ScriptRunner;
struct ScriptOutcome;

// The Scripts add-on in one draft: one script run at a time, shown in the
// sheet with a way to stop it. A failure stays in the sheet until the user
// closes it; the text is then left as it was.
class ScriptRunnerObject : public QObject, public PLUMETAddonObject {
    Q_OBJECT

public:
    explicit ScriptRunnerObject(ScriptRunner& addon);
    ~ScriptRunnerObject() override;

    void addonRequested(PLUMETAddonHost* draft, const QString& selection,
                        const QString& subaction) override;
    QWidget* view() override;
    QSize minimumSize() const override { return {380, 110}; }
    bool canResize() const override { return true; }
    void sheetClosed(PLUMETAddonHost* draft) override;
    void willDispose(PLUMETAddonHost* draft) override;

private:
    void runEnded(const ScriptOutcome& outcome);
    void finish(const QString& text);
    void stopRun();

    ScriptRunner& m_addon;
    QPointer<ScriptRunView> m_view;
    QPointer<ScriptRun> m_run;
    QString m_scriptName;
    PLUMETAddonHost* m_draft = nullptr;
};
