#include "device/PermissionHint.h"

#include "device/hidscan.h"

#include <QDebug>

namespace {

const char kHint[] =
    "No permission to open the knob: install the udev rules (70-veltranix.rules), then replug it";
const char kBusy[] = "In use by %1";

} // namespace

bool PermissionHint::noteScan(const HidScanResult &result)
{
    if (result.handle)
        return end();
    // Held by another program: nothing of that knob was opened, so a refusal
    // met elsewhere is beside the point. The scans go on quietly until it lets go.
    if (!result.busyPaths.isEmpty()) {
        const QString holder = result.busyHolder.program.isEmpty() ? QStringLiteral("another program")
                                                                   : result.busyHolder.program;
        if (m_visible && m_holder == holder)
            return false;
        m_visible = true;
        m_holder = holder;
        m_node = result.busyPaths.first();
        qDebug().noquote() << QStringLiteral("[autoConnect] 设备 %1 正被 %2 使用，等待其释放")
                                  .arg(m_node, result.busyHolder.describe());
        return true;
    }
    if (!result.permissionDenied)
        return end();
    if (m_visible && m_holder.isEmpty())
        return false;
    m_visible = true;
    m_holder.clear();
    m_node = result.deniedPath;
    qWarning().noquote()
        << QStringLiteral("[autoConnect] 无权限打开设备节点 %1 (权限不足)，请安装 udev 规则后重新插拔设备")
               .arg(m_node);
    return true;
}

bool PermissionHint::noteConnected()
{
    return end();
}

bool PermissionHint::end()
{
    if (!m_visible)
        return false;
    m_visible = false;
    m_node.clear();
    m_holder.clear();
    return true;
}

QString PermissionHint::text() const
{
    if (!m_holder.isEmpty())
        return QString::fromLatin1(kBusy).arg(m_holder);
    return QString::fromLatin1(kHint);
}
