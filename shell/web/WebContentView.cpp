#include "WebContentView.h"

WebContentView::WebContentView(QWidget* parent)
    : QWebEngineView(parent), m_page(new WebContentPage(this))
{
    setPage(m_page);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void WebContentView::showDocument(const QString& html, WebContentPage::Content kind)
{
    m_page->showDocument(html, kind);
}

void WebContentView::showDocument(const QString& html, WebContentPage::Content kind,
                                  const WebContentPage::ShowOptions& options)
{
    m_page->showDocument(html, kind, options);
}

void WebContentView::searchFor(const QString& text, bool forward, bool caseSensitive, bool wrap,
                               std::function<void(FindHit)> done)
{
    m_page->callFunction(QStringLiteral("search"), {text, forward, caseSensitive, wrap},
                         [done = std::move(done)](const QVariant& value) {
                             const QVariantMap answer = value.toMap();
                             FindHit hit;
                             hit.found = answer.value(QStringLiteral("found")).toBool();
                             hit.textAfter =
                                 answer.value(QStringLiteral("textAfter"), -1).toLongLong();
                             if (done)
                                 done(hit);
                         });
}

void WebContentView::selectedMarkup(std::function<void(const QString&)> done)
{
    m_page->callFunction(QStringLiteral("selectionMarkup"), {},
                         [done = std::move(done)](const QVariant& value) {
                             if (done)
                                 done(value.toString());
                         });
}

void WebContentView::moveCursorToStart(std::function<void()> done)
{
    m_page->callFunction(QStringLiteral("moveCursorToStart"), {},
                         [done = std::move(done)](const QVariant&) {
                             if (done)
                                 done();
                         });
}

void WebContentView::replaceSelectionWithText(const QString&, std::function<void(bool)> done)
{
    if (done)
        done(false);
}

void EditableWebView::replaceSelectionWithText(const QString& text, std::function<void(bool)> done)
{
    contentPage()->callFunction(QStringLiteral("insertText"), {text},
                                [done = std::move(done)](const QVariant& value) {
                                    if (done)
                                        done(value.toBool());
                                });
}
