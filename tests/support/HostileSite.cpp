#include "HostileSite.h"

namespace plumet::test {

namespace {

// What may be asked for: the pictures, and the framed documents themselves.
const QStringList allowedPaths{"/picture.png", "/framed-picture.png", "/frame.html", "/framed.zip"};

// A 1×1 PNG.
const QByteArray pixel = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADU"
                                                "lEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==");

} // namespace

bool HostileSite::listen()
{
    if (!m_server.listen())
        return false;
    m_server.setHandler([this](const TestHttpServer::Request& request) {
        const QByteArray path = request.target;
        if (path.endsWith(".png"))
            return TestHttpServer::Response::ok(pixel, "image/png");
        if (path == "/frame.html") {
            // A page of another origin would run its own scripts in a plain frame.
            const QByteArray page =
                "<!DOCTYPE html><html><body><p>framed</p>"
                "<script>new Image().src = '/frame-inline-script';"
                "fetch('/frame-fetch');</script>"
                "<script src='/frame-script.js'></script>"
                "<img src='data:,' onerror=\"new Image().src = '/frame-onerror'\">"
                "<form id=f action='/frame-form' method=post><input name=a value=b></form>"
                "<script>document.getElementById('f').submit();"
                "window.open('/frame-popup'); top.location = '/frame-top';</script>"
                "<img src='/framed-picture.png'></body></html>";
            return TestHttpServer::Response::ok(page, "text/html");
        }
        if (path == "/framed.zip") {
            TestHttpServer::Response file =
                TestHttpServer::Response::ok("PK\x03\x04 not much", "application/zip");
            file.headers.append(qMakePair(QByteArray("Content-Disposition"),
                                          QByteArray("attachment; filename=\"framed.zip\"")));
            return file;
        }
        return TestHttpServer::Response::ok("new Image().src = '/external-script-ran';",
                                            "text/javascript");
    });
    return true;
}

QString HostileSite::address(const QString& path) const
{
    return m_server.url(path).toString();
}

QString HostileSite::post() const
{
    return QStringLiteral(
               "<p>A post with pictures <img src=\"%1\" alt=\"ours\"></p>"
               "<script>new Image().src = '%2';</script>"
               "<script src=\"%3\"></script>"
               "<img src=\"data:,\" onerror=\"new Image().src = '%4'\">"
               "<iframe src=\"%5\" width=300 height=120></iframe>"
               "<iframe src=\"%6\"></iframe>"
               "<iframe srcdoc=\"&lt;script&gt;new Image().src = '%7';&lt;/script&gt;\"></iframe>"
               "<object data=\"%8\" type=\"application/x-shockwave-flash\"></object>"
               "<embed src=\"%9\" type=\"application/x-shockwave-flash\">"
               "<link rel=\"prefetch\" href=\"%10\">"
               "<form action=\"%11\"><input type=submit></form>")
        .arg(address("/picture.png"), address("/post-inline-script"), address("/post-script.js"),
             address("/post-onerror"), address("/frame.html"), address("/framed.zip"),
             address("/srcdoc-script"), address("/object.swf"), address("/embed.swf"))
        .arg(address("/prefetch"), address("/post-form"));
}

QStringList HostileSite::asked() const
{
    QStringList paths;
    for (const TestHttpServer::Request& request : m_server.requests())
        paths << QString::fromUtf8(request.target);
    return paths;
}

bool HostileSite::picturesAsked(bool framed) const
{
    const QStringList paths = asked();
    return paths.contains(QStringLiteral("/picture.png")) &&
           (!framed || paths.contains(QStringLiteral("/framed-picture.png")));
}

QStringList HostileSite::forbiddenAsked() const
{
    QStringList forbidden;
    for (const QString& path : asked()) {
        if (!allowedPaths.contains(path))
            forbidden << path;
    }
    return forbidden;
}

} // namespace plumet::test
