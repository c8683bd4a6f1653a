#include "device/PermissionHint.h"

#include "device/hidscan.h"
#include "protocol/uitext.h"

#include <QDebug>

namespace {

const char16_t kHintSource[] = u"没有权限打开设备：请安装 udev 规则 (70-veltranix.rules) 后重新插拔";

} // namespace

bool PermissionHint::noteScan(const HidScanResult &result)
{
    if (result.handle || !result.permissionDenied)
        return end();
    if (m_visible)
        return false;
    m_visible = true;
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
    return true;
}

QString PermissionHint::text()
{
    return uiText(QString::fromUtf16(kHintSource));
}
