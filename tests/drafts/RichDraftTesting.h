#pragma once

#include "Draft.h"
#include "TKWebView.h"

#include <QTest>
#include <QWebEngineScript>

// What the tests of drafts with the real rich editor share: the page's
// answers waited for, bounded.
namespace plumet::test {

constexpr int PageTimeout = 30000;

inline TKWebView* richView(Draft* draft, bool sub = false)
{
    return dynamic_cast<TKWebView*>(draft->editor(Draft::RichMode, sub));
}

// The value of `script` in the editor's page.
inline QVariant evaluate(TKWebView* view, const QString& script)
{
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                [&](const QVariant& value) {
                                    result = value;
                                    done = true;
                                });
    if (!QTest::qWaitFor([&] { return done; }, PageTimeout))
        qWarning() << "no answer to" << script;
    return result;
}

// Whether `condition` became true in the page in time.
inline bool waitFor(TKWebView* view, const QString& condition)
{
    return QTest::qWaitFor([&] { return evaluate(view, condition).toBool(); }, PageTimeout);
}

} // namespace plumet::test
