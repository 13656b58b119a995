#pragma once

#include "ScriptRun.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>

class QWebEnginePage;
class QWebEngineProfile;

// A ".js" script: loaded into a page of its own (no view, an off-the-record
// profile of its own, so nothing is stored and no run can reach another's
// text), then its function main is called with the text. The page goes with
// the run.
class JavaScriptRun : public ScriptRun {
    Q_OBJECT

public:
    JavaScriptRun(const QString& scriptPath, const QString& text, QObject* parent = nullptr);
    ~JavaScriptRun() override;

    void start() override;
    void cancel() override;

private:
    void pageLoaded(bool ok);
    void mainAnswered(const QVariant& answer);
    void finish(const ScriptOutcome& outcome);
    void closePage();
    QString withConsoleErrors(const QString& sentence) const;

    QString m_scriptPath;
    QString m_scriptName;
    QString m_text;
    QPointer<QWebEngineProfile> m_profile;
    QPointer<QWebEnginePage> m_page;
    QStringList m_consoleErrors;
    QTimer m_limit;
    bool m_called = false;
    bool m_ended = false;
};
