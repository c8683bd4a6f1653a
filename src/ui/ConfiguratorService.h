#pragma once

#include "device/KnobOperations.h"
#include "protocol/knobdocument.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

class KnobSession;

// The window's side of the hand-over: while it holds the knob, the
// command-line tool sends it the reads and writes it would have done itself,
// and the window runs them through its own session, so only one program ever
// writes to the knob. Every call is answered later, when the session reports
// the job done; nothing waits on the UI thread. One job at a time: a call
// while one runs, or while the window itself saves or reads, is refused.
//
// Over the session bus rather than the window's single-instance socket: that
// socket only says "come to the front", and the bus gives typed calls,
// delayed replies with a time-out, the caller's errors by name, and one place
// for the other objects the window puts there.
class ConfiguratorService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.veltranix.Configurator")
    Q_DISABLE_COPY_MOVE(ConfiguratorService)

public:
    explicit ConfiguratorService(KnobSession *session, QObject *parent = nullptr);
    ~ConfiguratorService() override;

    // Why the window cannot take a job now (unsaved edits), or empty.
    void setRefusal(std::function<QString()> refusal) { m_refusal = std::move(refusal); }
    // Puts the object on the bus; false when it is not connected or the path is taken.
    bool publish(const QDBusConnection &connection);

public Q_SLOTS:
    // The knob the window holds, as the tool names it; refused when the window
    // would refuse a job now, or does not hold the knob device names (a path
    // or serial; empty: any).
    QString Knob(const QString &device);
    // A configuration read: whether the knob answered, and its reports in hex.
    bool Read(const QString &caller, QStringList &packets);
    // Writes a document in the file format as Save does, its light first so
    // that the read-back after the save holds it: whether the knob answered
    // the read-back, its reports, and whether the colour report was taken.
    // label names the document (a profile) in the window's notice.
    bool Write(const QString &document, const QString &label, const QString &caller, QStringList &packets,
               bool &lightTaken);
    // One colour report; colour is RRGGBB.
    void Light(const QString &colour, int brightness, bool on, const QString &caller);
    // The running write ends after the physical key it is on (Ctrl+C in the
    // tool) and is answered as failed. While a write runs the bus hears
    // Progress(done, total) after each physical key.
    void Stop();

Q_SIGNALS:
    // Just before a handed-over save starts, with the notice for when it is confirmed.
    void writeStarting(const QString &notice);
    void lightSet(const LightSettings &light, const QString &notice);

private:
    enum class Job
    {
        None,
        Read,
        Write,
        Light,
    };
    // Why a job cannot start now, as the error to reply with; empty when it can.
    QString refusal(QString *errorName) const;
    bool admit();
    void begin(Job job);
    void replyOk(const QVariantList &arguments);
    void replyFailed(const QString &sentence);
    void startSave(const KnobDocument &document);
    void startLight(const LightSettings &light);
    void onReadFinished(bool ok, bool receivedAny);
    void onSaveFinished(bool ok);
    void checkLightSent();
    void onConnectionChanged(bool connected);
    QString knobName() const;

    KnobSession *m_session = nullptr;
    std::function<QString()> m_refusal;
    Job m_job = Job::None;
    QDBusMessage m_call;
    QDBusConnection m_callBus{QString()};
    QString m_caller;
    std::vector<Packet> m_packets;
    SaveOutcome m_outcome;
    KnobDocument m_writeDocument; // waits for its colour report
    QString m_writeNotice;
    bool m_stopBeforeSave = false;
    bool m_lightFailed = false;
    int m_lightsBefore = 0;
    LightSettings m_light;
    QTimer m_lightPoll; // the give-up time of a colour report on its way
};
