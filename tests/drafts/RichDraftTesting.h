#pragma once

#include "Draft.h"
#include "TKWebView.h"

#include <QTest>
#include <QWebEngineScript>
#include <memory>
#include <optional>

// What the tests of drafts with the real rich editor share: the page's
// answers waited for, bounded.
namespace plumet::test {

// A first page of a run can take long to start its renderer on a busy machine.
constexpr int PageTimeout = 60000;

inline TKWebView* richView(Draft* draft, bool sub = false)
{
    return dynamic_cast<TKWebView*>(draft->editor(Draft::RichMode, sub));
}

// The value of `script` in the editor's page.
inline QVariant evaluate(TKWebView* view, const QString& script)
{
    // Shared, not on this frame: an answer that comes too late (or the
    // page's end, which answers every open call) must not write into it.
    const auto answer = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                [answer](const QVariant& value) { *answer = value; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, PageTimeout))
        qWarning() << "no answer to" << script;
    return answer->value_or(QVariant());
}

// Whether `condition` became true in the page in time.
inline bool waitFor(TKWebView* view, const QString& condition)
{
    return QTest::qWaitFor([&] { return evaluate(view, condition).toBool(); }, PageTimeout);
}

} // namespace plumet::test
