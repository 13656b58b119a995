#include "ActivityController.h"

#include "ActivityList.h"
#include "ActivityZoom.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "RVActivityView.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace {

ActivityController* sharedController = nullptr;

const QString ActivityOpenKey = QStringLiteral("activity_open");

} // namespace

bool ActivityController::instanceExists()
{
    return sharedController != nullptr;
}

ActivityController* ActivityController::sharedInstance()
{
    if (!sharedController)
        sharedController = new ActivityController(ActivityList::sharedInstance());
    return sharedController;
}

void ActivityController::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QObject::connect(&ActivityList::sharedInstance(), &ActivityList::errorRaised, qApp,
                     [] { sharedInstance()->showWindow(); });
}

void ActivityController::restoreWindow()
{
    const QVariant open = UserDefaults::sharedInstance().value(ActivityOpenKey);
    if (open.isValid() && UserDefaults::sharedInstance().boolean(ActivityOpenKey))
        sharedInstance()->revealWindow();
}

ActivityController::ActivityController(ActivityList& list) : m_list(list)
{
    m_window = new QWidget(nullptr, Qt::Window);
    m_window->setWindowTitle(localized("ActivityController", "Activity"));
    m_window->setObjectName(QStringLiteral("ActivityWindow"));

    m_view = new RVActivityView(m_window);
    m_view->setActivityList(&list);
    m_count = new QLabel(list.countString(), m_window);
    m_clear = new QPushButton(localized("ActivityController", "Clear"), m_window);
    m_clear->setEnabled(list.isClearEnabled());
    m_clear->setAutoDefault(false);
    m_clear->setFocusPolicy(Qt::NoFocus);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(8, 4, 8, 6);
    bar->addWidget(m_count);
    bar->addStretch();
    bar->addWidget(m_clear);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addLayout(bar);
    m_window->resize(340, 320);
    m_window->installEventFilter(this);

    connect(&list, &ActivityList::countStringChanged, m_count, &QLabel::setText);
    connect(&list, &ActivityList::clearEnabledChanged, m_clear, &QPushButton::setEnabled);
    connect(m_clear, &QPushButton::clicked, &list, &ActivityList::clear);

    NotificationCenter::sharedInstance().observe(QStringLiteral("goingToQuitNotification"), this,
                                                 [this](const Notification&) { cleanUp(); });
    // Until the shell posts its quit notification, the end of the program will do.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ActivityController::cleanUp);
}

ActivityController::~ActivityController()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    delete m_window;
    if (sharedController == this)
        sharedController = nullptr;
}

void ActivityController::showWindow()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_view->setFocus(Qt::OtherFocusReason);
}

void ActivityController::revealWindow()
{
    m_window->show();
    m_window->raise();
}

bool ActivityController::isWindowVisible() const
{
    return m_window && m_window->isVisible();
}

void ActivityController::cleanUp()
{
    if (sharedController != this)
        return;
    NotificationCenter::sharedInstance().removeObserver(this);
    UserDefaults::sharedInstance().setValue(ActivityOpenKey, isWindowVisible());
    if (m_window)
        m_window->hide();
    sharedController = nullptr;
    // Later: this may run inside a notification this controller observes.
    deleteLater();
}

QRect ActivityController::standardFrame() const
{
    const QScreen* screen =
        m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    const QRect whole = screen->geometry();
    const int bottom = whole.y() + whole.height();
    const QRect frame = ActivityZoom::fromScreen(m_window->frameGeometry(), bottom);
    const QRect usable = ActivityZoom::fromScreen(screen->availableGeometry(), bottom);
    const QRect zoomed =
        ActivityZoom::standardFrame(frame, m_view->viewport()->height(), m_view->requiredHeight(),
                                    m_view->requiredWidth(), usable);
    return ActivityZoom::toScreen(zoomed, bottom);
}

void ActivityController::zoom()
{
    const QRect target = standardFrame();
    QRect frame = target;
    if (m_zoomed && m_window->frameGeometry() == target && m_userFrame.isValid()) {
        frame = m_userFrame;
        m_zoomed = false;
    } else {
        m_userFrame = m_window->frameGeometry();
        m_zoomed = true;
    }
    // From the whole frame to the window's inside.
    const QRect outer = m_window->frameGeometry();
    const QRect inner = m_window->geometry();
    m_window->setGeometry(frame.adjusted(inner.left() - outer.left(), inner.top() - outer.top(),
                                         inner.right() - outer.right(),
                                         inner.bottom() - outer.bottom()));
}

bool ActivityController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::WindowStateChange &&
        m_window->windowState().testFlag(Qt::WindowMaximized)) {
        // The maximise button zooms to fit the rows instead.
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMaximized);
        QMetaObject::invokeMethod(this, &ActivityController::zoom, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}
