#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl+C, a closed terminal) turned
// into a signal on the thread that made this object: the handler only writes
// the signal's number into a pipe, the event loop does the rest. One per
// process; while it lives, those signals no longer end the process at once.
class QuitSignals : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuitSignals)

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

    // False when the pipe or a handler could not be set up; the signals then
    // keep their default action.
    bool isActive() const { return m_notifier != nullptr; }

    // Gives the signal its default action back and sends it again, so the
    // process ends the way the sender asked for.
    static void endBySignal(int signal);

Q_SIGNALS:
    void received(int signal);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
