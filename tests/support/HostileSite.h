#pragma once

#include "TestHttpServer.h"

#include <QString>
#include <QStringList>

namespace plumet::test {

// A loopback site for a hostile post: the post tries every way content has
// to run or call home (scripts of its own and of the pages it frames, event
// handlers, forms, plug-ins, prefetches, a framed file that would download),
// and shows two pictures, one of its own and one in a framed page. Every
// request is recorded; a page of ours may ask only for those pictures and
// the framed documents (which a page may also not load at all).
class HostileSite {
public:
    bool listen();

    // The post's markup, its addresses absolute.
    QString post() const;

    // The paths asked for so far, in order.
    QStringList asked() const;
    // The pictures a reader expects to see have been asked for: the post's,
    // and with `framed` the one of the framed page.
    bool picturesAsked(bool framed = true) const;
    // Asked-for paths a page of ours should never have asked for.
    QStringList forbiddenAsked() const;
    // The name the framed file would be saved under.
    static QString framedFileName() { return QStringLiteral("framed.zip"); }

    TestHttpServer& server() { return m_server; }

private:
    QString address(const QString& path) const;
    TestHttpServer m_server;
};

} // namespace plumet::test
