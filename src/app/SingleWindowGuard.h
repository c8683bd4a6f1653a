#pragma once

#include <QObject>

class QSocketNotifier;

// One window per user: the first start holds a lock in the runtime directory
// and listens on a local socket beside it; a later start finds the lock taken,
// asks the running window through the socket to come to the front, and
// leaves. Works without a session bus. The kernel drops the lock of a window
// that crashed, so its socket file does not block the next start.
class SingleWindowGuard : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleWindowGuard)

public:
    explicit SingleWindowGuard(QObject *parent = nullptr);
    ~SingleWindowGuard() override;

    enum Claim
    {
        Claimed,      // this process is to be the window
        WindowRaised, // another one is; it answered and was asked to come forward
        NoAnswer,     // another one holds the lock but did not answer in time
    };
    // A window that does not answer but lets the lock go meanwhile (it is
    // ending) leaves the claim to this start.
    Claim claim();

    // Lets a later start become the window, as soon as this one stops
    // serving the user.
    void release();

Q_SIGNALS:
    // A later start asked for the window.
    void raiseRequested();

private:
    void answerLaterStarts();
    bool takeLock();
    static bool askRunningWindow(const QString &socketPath);

    int m_lockFd = -1;
    int m_serverFd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
