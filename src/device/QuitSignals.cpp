#include "device/QuitSignals.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written only by the handler, read only by the notifier; -1 without a pipe.
volatile sig_atomic_t g_writeFd = -1;
int g_readFd = -1;

void onSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a quit request: dropping this one loses nothing.
    if (g_writeFd >= 0 && ::write(g_writeFd, &byte, 1) < 0) {
    }
    errno = savedErrno;
}

void setAction(int signal, void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(signal, &action, nullptr) != 0)
        qWarning().noquote() << "sigaction:" << std::strerror(errno);
}

} // namespace

QuitSignals::QuitSignals(QObject *parent) : QObject(parent)
{
    int fds[2];
    if (g_readFd >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning().noquote() << "quit signals: no pipe:" << std::strerror(errno);
        return;
    }
    g_readFd = fds[0];
    g_writeFd = fds[1];
    m_notifier = new QSocketNotifier(g_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    for (const int signal : kSignals)
        setAction(signal, onSignal);
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : kSignals)
        setAction(signal, SIG_DFL);
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    ::close(writeFd);
    ::close(g_readFd);
    g_readFd = -1;
}

void QuitSignals::endBySignal(int signal)
{
    setAction(signal, SIG_DFL);
    ::raise(signal);
}

void QuitSignals::readPipe()
{
    unsigned char numbers[16];
    const ssize_t n = ::read(g_readFd, numbers, sizeof numbers);
    for (ssize_t i = 0; i < n; ++i)
        emit received(numbers[i]);
}
