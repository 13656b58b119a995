#include "QuitSignals.h"

#include "AppLog.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

int s_pipe[2] = {-1, -1};
struct sigaction s_previous[2];
constexpr int handled[2] = {SIGTERM, SIGINT};

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
    errno = saved;
}

sigset_t quitSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int number : handled)
        sigaddset(&set, number);
    return set;
}

} // namespace

void QuitSignals::holdUntilInstalled()
{
    const sigset_t set = quitSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void QuitSignals::release()
{
    const sigset_t set = quitSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (s_pipe[0] >= 0) {
        qCWarning(lcApp) << "the quit signals are taken already";
        return;
    }
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcApp) << "no pipe for the quit signals:" << strerror(errno);
        s_pipe[0] = s_pipe[1] = -1;
        release(); // the default actions, rather than none at all
        return;
    }
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        sigaction(handled[i], &action, &s_previous[i]);
    // A quit held back while the program started is handled now.
    release();
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < 2; ++i)
        sigaction(handled[i], &s_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

void QuitSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(s_pipe[0], &byte, 1) == 1)
        emit received(int(byte));
}
