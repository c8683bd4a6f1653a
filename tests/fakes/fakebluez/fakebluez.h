#pragma once

#include "bluezmodel.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>

// A stand-in for the BlueZ daemon on a private bus: one adapter, one device
// with a vendor GATT service (a write and a notify characteristic) that
// answers the configuration query with configuration notifications.
class FakeBluez : public QDBusVirtualObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeBluez)

public:
    // scenario: the way this knob and its BlueZ misbehave, see main.cpp.
    FakeBluez(const QDBusConnection &bus, const QString &scenario, const QString &recordPath,
              QObject *parent = nullptr);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

    static const QString kDevicePath;
    static const QString kWritePath;
    static const QString kNotifyPath;

private:
    BluezObjects objects() const;
    void record(const QByteArray &value, const QString &type);
    void answerQuery();
    void notify(const QByteArray &value);
    void setConnected(bool connected);

    QDBusConnection m_bus;
    QString m_scenario;
    QString m_recordPath;
    bool m_connected = true;
    bool m_resolved = true;
    bool m_notifying = false;
    bool m_looked = false;
    int m_startNotifyCalls = 0;
};
