#include "ui/SessionBus.h"

#include "device/handover.h"

#include <QDBusConnectionInterface>
#include <QDebug>

const WindowBus &windowSessionBus()
{
    static const WindowBus bus = [] {
        WindowBus b{QDBusConnection::sessionBus(), false};
        if (!b.connection.isConnected()) {
            qDebug().noquote() << "没有会话总线，命令行工具无法转交任务:"
                               << b.connection.lastError().message();
            return b;
        }
        // Another window of this user has it: only one runs, so that one answers.
        b.nameIsOurs = b.connection.registerService(QString::fromLatin1(handover::kService));
        if (!b.nameIsOurs)
            qDebug().noquote() << "会话总线名称已被占用:" << handover::kService;
        return b;
    }();
    return bus;
}
