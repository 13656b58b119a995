#include "DesktopLinks.h"

#include "CUtilsLog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMainWindow>
#include <QStatusBar>

namespace {

// Long enough to recognise an address, short enough for one line.
constexpr qsizetype ShownCharacters = 120;
constexpr int MessageMilliseconds = 8000;

QStatusBar* statusBarOf(const QWidget* window)
{
    const auto* main = qobject_cast<const QMainWindow*>(window);
    return main ? main->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

QStatusBar* statusBarFor(const QWidget* context)
{
    if (context) {
        if (QStatusBar* bar = statusBarOf(context->window()))
            return bar;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (QStatusBar* bar = statusBarOf(window); bar && window->isVisible())
            return bar;
    }
    return nullptr;
}

} // namespace

bool DesktopLinks::mayLeave(const QUrl& url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !url.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

QString DesktopLinks::refusal(const QUrl& url)
{
    QString shown = url.toString(QUrl::RemoveUserInfo);
    if (shown.size() > ShownCharacters)
        shown = shown.left(ShownCharacters) + QChar(0x2026);
    return QCoreApplication::translate("DesktopLinks",
                                       "\"%1\" was not opened: only web and mail addresses "
                                       "(http, https, mailto) are.")
        .arg(shown);
}

bool DesktopLinks::open(const QUrl& url, const QWidget* context)
{
    if (mayLeave(url))
        return QDesktopServices::openUrl(url);
    const QString line = refusal(url);
    qCInfo(lcCUtils).noquote() << line;
    if (QStatusBar* bar = statusBarFor(context))
        bar->showMessage(line, MessageMilliseconds);
    return false;
}
