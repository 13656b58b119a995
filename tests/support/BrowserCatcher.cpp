#include "BrowserCatcher.h"

#include <QDesktopServices>

namespace plumet::test {

BrowserCatcher::BrowserCatcher(QStringList schemes) : m_schemes(std::move(schemes))
{
    for (const QString& scheme : std::as_const(m_schemes))
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

BrowserCatcher::~BrowserCatcher()
{
    for (const QString& scheme : std::as_const(m_schemes))
        QDesktopServices::unsetUrlHandler(scheme);
}

void BrowserCatcher::open(const QUrl& url)
{
    m_opened.append(url);
}

} // namespace plumet::test
