#include "WebContentView.h"

#include "WebContent.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>

WebContentView::WebContentView(QWidget* parent)
    : QWebEngineView(parent), m_page(new WebContentPage(this))
{
    setPage(m_page);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_page, &WebContentPage::downloadAsked, this, [this](const QUrl& url) {
        if (m_offersDownloads)
            askWhereToSave(url);
    });
}

void WebContentView::askWhereToSave(const QUrl& url)
{
    QString name = url.fileName();
    if (name.isEmpty())
        name = url.host();
    auto* dialog = new QFileDialog(window(), tr("Save Linked File"));
    dialog->setObjectName(QStringLiteral("plumet_save_linked_file"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->selectFile(QDir(WebContent::downloadFolder()).filePath(name));
    QPointer<WebContentPage> page(m_page);
    connect(dialog, &QFileDialog::fileSelected, this, [page, url](const QString& path) {
        if (!page || path.isEmpty())
            return;
        WebContent::expectDownload(page, url, path);
        page->download(url, path);
    });
    dialog->open();
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

EditableWebView::EditableWebView(QWidget* parent) : WebContentView(parent)
{
    contentPage()->setKeepsScriptEngine(true);
}

void EditableWebView::replaceSelectionWithText(const QString& text, std::function<void(bool)> done)
{
    contentPage()->callFunction(QStringLiteral("insertText"), {text},
                                [done = std::move(done)](const QVariant& value) {
                                    if (done)
                                        done(value.toBool());
                                });
}
