#include "ui/MainLayoutWidget.h"

#include "device/KnobSession.h"
#include "protocol/keyvocabulary.h"
#include "ui/DebugConsole.h"
#include "ui/pages/DebugWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/LightWidget.h"

#include <QDebug>

MainLayoutWidget::MainLayoutWidget(KnobSession *session, QWidget *parent)
    : QWidget(parent), m_session(session)
{
    Q_ASSERT(session);
    setupUI();

    connect(m_session, &KnobSession::connectionChanged, this, &MainLayoutWidget::onConnectionChanged);
    connect(m_session, &KnobSession::configReadStarted, this, &MainLayoutWidget::clearLoadedConfigState);
    connect(m_session, &KnobSession::configPacketRead, this, &MainLayoutWidget::applyReadConfigPacket);
    connect(m_session, &KnobSession::configReadFinished, this, &MainLayoutWidget::onConfigReadFinished);
    connect(m_session, &KnobSession::saveFinished, this, &MainLayoutWidget::finishSave);
    connect(m_session, &KnobSession::lightingSendFailed, this, [this] {
        showToast(false, QStringLiteral("灯光命令发送失败"), QStringLiteral("请确认设备连接正常"));
    });
    connect(m_session, &KnobSession::bluetoothConnected, this, [this] {
        showToast(true, QStringLiteral("连接成功"), QStringLiteral("已成功连接当前蓝牙设备"));
    });
    connect(m_session, &KnobSession::bluetoothConnectFailed, this,
            [this](const QString &reason) { showToast(false, QStringLiteral("连接失败"), reason); });
    connect(m_session, &KnobSession::permissionHintChanged, this,
            &MainLayoutWidget::setPermissionHintVisible);
    connect(m_session, &KnobSession::deviceIdsSwitched, this, [this](const QString &pair) {
        showToast(true, QStringLiteral("设备切换"), QStringLiteral("已切换至 ") + pair);
    });
    connect(m_lightWidget, &LightWidget::lightSettingsChanged, this,
            [this](const QColor &color, int brightness, bool on) {
                LightSettings light;
                light.red = static_cast<unsigned char>(color.red());
                light.green = static_cast<unsigned char>(color.green());
                light.blue = static_cast<unsigned char>(color.blue());
                light.brightness = brightness;
                light.on = on;
                m_session->queueLighting(light);
            });
    if (m_delayWidget)
        m_delayWidget->setModel(&m_model);
    m_debugConsole = new DebugConsole(
        m_session, m_debugWidget, [this] { return m_selectedKnobKey; }, this);

    // A session that is already connected (the window was built late) is shown as such.
    if (m_session->isConnected())
        onConnectionChanged(true);
}

MainLayoutWidget::~MainLayoutWidget() = default;

bool MainLayoutWidget::isDeviceConnected() const
{
    return m_session->isConnected();
}

bool MainLayoutWidget::isSaveRunning() const
{
    return m_session->isSaveRunning();
}

void MainLayoutWidget::onConnectionChanged(bool connected)
{
    if (connected) {
        updateStatusIcon(true);
        m_selectedKnobKey = 0;
        updateKnobKeySelection();
        clearAllTabSelections();
        return;
    }
    // Whatever the user had not saved yet survives the unplug.
    if (m_modelEdited)
        m_unsavedEdits = std::make_unique<KnobModel>(m_model);
    clearLoadedConfigState();
    for (int k = 1; k <= 5; ++k)
        updateSingleKnobKeyDisplay(k);
    m_selectedKnobKey = 0;
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
    syncDelayWidgetForCurrentKnob();
    updateStatusIcon(false);
}

void MainLayoutWidget::onConfigReadFinished(bool ok, bool receivedAny)
{
    if (m_unsavedEdits) {
        // The device may hold half of a save that the unplug cut short; the
        // user's edits are what a second Save must write.
        m_model = *m_unsavedEdits;
        m_unsavedEdits.reset();
        m_modelEdited = true;
        showWholeModel();
        qDebug().noquote() << "设备重新连接，保留未保存的修改";
    } else if (ok) {
        m_modelEdited = false;
    }
    if (!ok || !receivedAny)
        return;
    m_selectedKnobKey = 0;
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

void MainLayoutWidget::showWholeModel()
{
    for (int k = 1; k <= 5; ++k) {
        updateSingleKnobKeyDisplay(k);
        if (!m_delayWidget)
            continue;
        QList<QString> texts;
        for (const QString &name : m_model.key(k).displayNames.mid(0, kMaxVirtualKeys))
            texts.append(textBoxDisplayText(name));
        m_delayWidget->setVirtualKeyCount(k, int(texts.size()));
        m_delayWidget->setVirtualKeyTexts(k, texts);
        m_delayWidget->refreshDelays(k);
    }
    updateKnobKeysDisplay();
    updateKnobKeySelection();
}

void MainLayoutWidget::handleLogoPress()
{
    if (m_session->isConnected())
        return;
    if (m_logoClickCount++ < 9)
        return;
    m_logoClickCount = 0;
    m_session->switchDeviceIds();
}
