#pragma once

#include <QString>
#include <QtPlugin>

// A formatter ("formatter" bundles): turns the text of an entry into HTML.
class PLUMETFormatterProtocol {
public:
    virtual ~PLUMETFormatterProtocol() = default;

    // The registry key; "Generic" is looked up for entries without a format.
    virtual QString formatterKey() const = 0;
    virtual QString formatterDescription() const = 0;
    virtual bool willHandleFormat(const QString& format) const = 0;
    // False keeps the rich editor away from entries in this format.
    virtual bool allowsHTMLEditing() const = 0;
    // The rendered HTML. An empty result means the formatter could not render
    // the text; the host then uses the text unchanged. The call is synchronous,
    // but it need not come from the main thread: work the user would wait for
    // (the excerpt made on publishing) calls it on a worker thread, never two
    // calls at once from there.
    virtual QString formatText(const QString& text) = 0;
    // A link pattern with "$text$", "$title$" and "$url$"; null for plain HTML links.
    virtual QString urlTemplate() const = 0;
};

#define PLUMETFormatterProtocol_iid "org.plumet.PLUMETFormatterProtocol/3.0"
Q_DECLARE_INTERFACE(PLUMETFormatterProtocol, PLUMETFormatterProtocol_iid)
