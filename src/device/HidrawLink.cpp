#include "device/HidrawLink.h"

#include "device/KnobOwnerLock.h"
#include "device/KnobPort.h"
#include "device/packetutil.h"

#include <QDebug>

namespace {

QString compatLine(const Packet &packet)
{
    return QStringLiteral("同步写入兼容Command 0x%1").arg(packet[2], 2, 16, QLatin1Char('0')).toUpper();
}

class HidPort final : public KnobPort
{
public:
    explicit HidPort(hid_device *device) : m_device(device) {}
    int write(const unsigned char *data, std::size_t length) override
    {
        return hid_write(m_device, data, length);
    }
    int read(unsigned char *buffer, std::size_t size, int timeoutMs) override
    {
        return hid_read_timeout(m_device, buffer, size, timeoutMs);
    }
    QString errorText() const override
    {
        // Copied while the lock still keeps the handle open.
        const wchar_t *text = hid_error(m_device);
        return text ? QString::fromWCharArray(text) : QString();
    }

private:
    hid_device *m_device;
};

} // namespace

HidrawLink::~HidrawLink()
{
    close();
}

bool HidrawLink::isUp() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_device != nullptr;
}

unsigned long long HidrawLink::install(hid_device *handle, std::shared_ptr<KnobOwnerLock> ownerLock,
                                       const QString &knob, bool bluetooth)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_device)
        hid_close(m_device);
    m_device = handle;
    m_ownerLock = std::move(ownerLock);
    m_knob = knob;
    m_bluetooth = bluetooth;
    return ++m_generation;
}

QString HidrawLink::knobIdentity() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_knob;
}

void HidrawLink::close()
{
    ++m_closing;
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_generation;
    hid_device *taken = m_device;
    m_device = nullptr;
    if (taken)
        hid_close(taken);
    // Only once the handle is closed may another program open the knob.
    m_ownerLock.reset();
    m_knob.clear();
    m_bluetooth = false;
    --m_closing;
}

bool HidrawLink::withPort(unsigned long long generation, const std::function<void(KnobPort &)> &f)
{
    if (m_closing.load() > 0)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_device || m_generation != generation)
        return false;
    HidPort port(m_device);
    f(port);
    return true;
}

int HidrawLink::writeReports(const std::vector<Packet> &reports)
{
    return writeReportsOn(kAnyGeneration, reports);
}

int HidrawLink::writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports)
{
    // Written once the lock is gone: a log line can wait on a slow reader of
    // standard error, and the link must not wait with it.
    QList<std::pair<QtMsgType, QString>> lines;
    const int result = writeReportsLocked(generation, reports, &lines);
    for (const auto &[type, text] : lines) {
        if (type == QtDebugMsg)
            qDebug().noquote() << text;
        else if (type == QtWarningMsg)
            qWarning().noquote() << text;
        else
            qCritical().noquote() << text;
    }
    return result;
}

int HidrawLink::writeReportsLocked(unsigned long long generation, const std::vector<Packet> &reports,
                                   QList<std::pair<QtMsgType, QString>> *lines)
{
    // Held for every write and retry, so no other report lands between the
    // reports of this list.
    std::lock_guard<std::mutex> lock(m_mutex);
    hid_device *device = m_device;
    if (device && generation != kAnyGeneration && generation != m_generation) {
        lines->append({QtDebugMsg, QStringLiteral("错误: 连接已更换，不再发送")});
        return -1;
    }
    if (!device) {
        lines->append({QtWarningMsg, QStringLiteral("错误: 设备在发送前已断开")});
        return -1;
    }

    int result = -1;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (i > 0)
            lines->append({QtDebugMsg, compatLine(reports[i])});
        const int written = hid_write(device, reports[i].data(), reports[i].size());
        // A short write is a report the device did not get whole.
        if (result < 0 && written == static_cast<int>(reports[i].size()))
            result = written;
    }
    if (result >= 0)
        return result;

    const wchar_t *error = hid_error(device);
    lines->append({QtWarningMsg, error ? QStringLiteral("发送错误: %1").arg(QString::fromWCharArray(error))
                                       : QStringLiteral("发送错误: 未知错误")});
    lines->append({QtDebugMsg, QStringLiteral("尝试兼容报告格式重试...")});
    for (const UsbWriteAttempt &attempt : compatibilityRetries(reports)) {
        const int written = hid_write(device, attempt.bytes.data(), attempt.bytes.size());
        if (written != static_cast<int>(attempt.bytes.size()))
            continue;
        lines->append({QtDebugMsg, attempt.kind == UsbWriteAttempt::ReportIdZero
                                       ? QStringLiteral("兼容重试成功: 65字节 + ReportID=0x00")
                                       : QStringLiteral("兼容重试成功: 64字节无ReportID")});
        return written;
    }
    lines->append({QtCriticalMsg, QStringLiteral("所有兼容重试失败")});
    return -1;
}
