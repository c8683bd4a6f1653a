// USB link of MainLayoutWidget: start-up, interface scans, installing a found
// handle, tear-down and the hidden id-pair switch.
#include "ui/MainLayoutWidget.h"

#include "device/deviceworkers.h"
#include "device/hidscan.h"
#include "device/packetutil.h"

#include <QDebug>
#include <QTimer>

namespace {

QString idPairText(bool useDefaultIds)
{
    return QStringLiteral("VID=0x%1 PID=0x%2")
        .arg(hex4(targetVendorId(useDefaultIds)), hex4(targetProductId(useDefaultIds)));
}

} // namespace

void MainLayoutWidget::initDeviceLink()
{
    m_deviceWorkers = std::make_shared<DeviceWorkers>(this);

    if (hid_init() == 0)
        qDebug().noquote() << "hidapi 初始化成功";
    else
        qDebug().noquote() << "错误: hidapi 初始化失败";
    qDebug().noquote() << QStringLiteral("目标设备: VID=0x%1 PID=0x%2")
                              .arg(hex4(targetVendorId(true)), hex4(targetProductId(true)));

    m_statusTimer = new QTimer(this);
    connect(m_statusTimer, &QTimer::timeout, this, &MainLayoutWidget::checkDeviceStatus);
    m_statusTimer->start(100);
    qDebug().noquote() << "设备状态监控已启动 (100ms检查)";

    qDebug().noquote() << "正在自动检测设备...";
    QTimer::singleShot(1000, this, [this] { autoConnectDevice(); });

    m_bluetoothAutoConnectTimer = new QTimer(this);
    m_bluetoothAutoConnectTimer->setInterval(3000);
    connect(m_bluetoothAutoConnectTimer, &QTimer::timeout, this, &MainLayoutWidget::tryAutoConnectBluetooth);
    m_bluetoothAutoConnectTimer->start();
    QTimer::singleShot(500, this, [this] { tryAutoConnectBluetooth(); });
}

void MainLayoutWidget::shutdownDeviceLink()
{
    if (m_statusTimer)
        m_statusTimer->stop();
    if (m_bluetoothAutoConnectTimer)
        m_bluetoothAutoConnectTimer->stop();
    // From here on no worker posts to this window.
    m_deviceWorkers->beginShutdown();
    disconnectDevice();
    // Workers use the library (and readers our mutex) until they return;
    // closing the link above makes a running reader stop at its next check.
    // Results nobody will install are dropped there, closing their handles.
    m_deviceWorkers->waitForAll();
    hid_exit();
}

void MainLayoutWidget::autoConnectDevice()
{
    if (m_isConnected || m_deviceProbeInFlight)
        return;
    qDebug().noquote() << "尝试自动连接设备...";
    startInterfaceScan(ScanKind::AutoConnect);
}

void MainLayoutWidget::startInterfaceScan(ScanKind kind)
{
    m_deviceProbeInFlight = true;
    const QPointer<MainLayoutWidget> self(this);
    const bool logged = kind == ScanKind::AutoConnect;
    const unsigned short vendorId = targetVendorId(m_useDefaultDeviceIds);
    const unsigned short productId = targetProductId(m_useDefaultDeviceIds);
    std::weak_ptr<DeviceWorkers> weakWorkers = m_deviceWorkers;

    const bool started = m_deviceWorkers->start([self, kind, logged, vendorId, productId, weakWorkers] {
        const auto workers = weakWorkers.lock();
        if (!workers || workers->shuttingDown())
            return;
        const HidScanResult result = scanHidInterfaces(vendorId, productId, logged);
        // The handle travels inside the posted call; if that call is dropped
        // unrun, the holder closes it.
        auto holder = std::make_shared<PendingHidHandle>(result.handle);
        // Not posted (the window is going away): the holder closes the handle here.
        workers->post([self, kind, result, holder] {
            if (self)
                self->installScanResult(kind, result, holder->take());
        });
    });
    if (!started) {
        m_deviceProbeInFlight = false;
        if (kind == ScanKind::StatusTimer)
            m_probeWorkerBusy = false;
    }
}

void MainLayoutWidget::installScanResult(ScanKind kind, const HidScanResult &result, hid_device *handle)
{
    const bool timerPath = kind == ScanKind::StatusTimer;
    m_deviceProbeInFlight = false;
    if (timerPath)
        m_probeWorkerBusy = false;

    if (!handle) {
        if (timerPath) {
            if (result.exclusive)
                m_exclusiveCooldownTicks = 2;
        } else if (result.exclusive) {
            qDebug().noquote() << "自动连接失败(exclusive)，重试中...";
        } else {
            qDebug().noquote() << "自动连接失败(未找到设备)";
        }
        return;
    }

    if (m_isConnected || m_device) {
        hid_close(handle);
        return;
    }

    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        m_device = handle;
        ++m_deviceGeneration;
    }
    m_isConnected = true;
    m_isBluetoothConnected = false;
    clearBluetoothIdentity();
    m_bluetoothConnectedInRun = false;
    stopBluetoothWriteSession();
    m_exclusiveCooldownTicks = 0;

    const QString where = QStringLiteral("path=%1 usagePage=0x%2 usage=0x%3 interface=%4")
                              .arg(result.path, hex4(result.usagePage), hex4(result.usage),
                                   QString::number(result.interfaceNumber));
    if (timerPath) {
        qDebug().noquote() << QStringLiteral("[timer] 连接成功: ") + where;
        if (!result.manufacturer.isEmpty())
            qDebug() << "  制造商:" << result.manufacturer;
        if (!result.product.isEmpty())
            qDebug() << "  产品名:" << result.product;
    } else {
        qDebug().noquote() << QStringLiteral("已选择可写接口: ") + where;
        if (!result.manufacturer.isEmpty())
            qDebug().noquote() << QStringLiteral("  制造商: %1").arg(result.manufacturer);
        if (!result.product.isEmpty())
            qDebug().noquote() << QStringLiteral("  产品名: %1").arg(result.product);
    }

    updateStatusIcon(true);
    m_selectedKnobKey = 0;
    updateKnobKeySelection();
    clearAllTabSelections();
    if (!timerPath)
        qDebug().noquote() << "✓ 设备自动连接成功";

    const QPointer<MainLayoutWidget> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && self->m_isConnected && self->m_device)
            self->startAsyncDeviceConfigRead();
    });
}

void MainLayoutWidget::disconnectDevice()
{
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        ++m_deviceGeneration;
        hid_device *taken = m_device;
        m_device = nullptr;
        if (taken)
            hid_close(taken);
    }
    m_isConnected = false;
    m_isBluetoothConnected = false;
    clearBluetoothIdentity();
    stopBluetoothWriteSession();
    m_deviceProbeInFlight = false;
    m_configReadInProgress = false;
    m_probeWorkerBusy = false;
    m_livenessTicks = 0;

    clearLoadedConfigState();
    for (int k = 1; k <= 5; ++k)
        updateSingleKnobKeyDisplay(k);
    m_selectedKnobKey = 0;
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
    syncDelayWidgetForCurrentKnob();
    updateStatusIcon(false);
    qDebug().noquote() << "[disconnect] 设备已断开，m_device 已置空";
}

void MainLayoutWidget::clearBluetoothIdentity()
{
    m_bluetoothAddress.clear();
    m_bluetoothDeviceId.clear();
    m_bluetoothWriteUuid.clear();
}

void MainLayoutWidget::handleLogoPress()
{
    if (m_isConnected)
        return;
    if (m_logoClickCount++ < 9)
        return;
    m_logoClickCount = 0;
    m_useDefaultDeviceIds = !m_useDefaultDeviceIds;
    const QString pair = idPairText(m_useDefaultDeviceIds);
    qDebug().noquote() << QStringLiteral("VID/PID 已切换为: ") + pair;
    showToast(true, QStringLiteral("设备切换"), QStringLiteral("已切换至 ") + pair);
    autoConnectDevice();
}
