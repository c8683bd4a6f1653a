#include "parentlink.h"

#include "device/childprocess.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

bool followParent()
{
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0)
        std::perror("ble_helper: prctl(PR_SET_PDEATHSIG)");
    bool ok = false;
    const qint64 parent = qEnvironmentVariable(kParentPidVariable).toLongLong(&ok);
    if (ok && parent != qint64(::getppid()))
        return false;
    // From a terminal standard input is the user's; a script's /dev/null
    // would end the helper at once, which is what a dead parent looks like.
    if (::isatty(STDIN_FILENO) == 1)
        return true;
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0 || (n < 0 && (errno == EINTR || errno == EAGAIN)))
            return;
        notifier->setEnabled(false);
        // Nobody is left to read what this run would report, and the system
        // bus drops the connection and its match rules with the process.
        ::_exit(0);
    });
    return true;
}
