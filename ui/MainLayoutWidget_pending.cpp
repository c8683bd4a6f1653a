// Placeholders for window operations that the device link calls but that
// belong to parts of the window not built yet. Each is replaced by its real
// definition in the file of its own part.
#include "ui/MainLayoutWidget.h"

#include <QDebug>
#include <QMouseEvent>

void MainLayoutWidget::updateStatusIcon(bool connected)
{
    qDebug().noquote() << "状态已更新:" << (connected ? QStringLiteral("已连接") : QStringLiteral("未连接"));
}

void MainLayoutWidget::clearLoadedConfigState() {}

void MainLayoutWidget::showToast(bool success, const QString &title, const QString &text)
{
    qDebug().noquote() << (success ? "[toast] ✓" : "[toast] ✗") << title << text;
}

void MainLayoutWidget::updateKnobKeySelection() {}

void MainLayoutWidget::updateKnobKeysDisplay() {}

void MainLayoutWidget::updateSingleKnobKeyDisplay(int knobKey)
{
    Q_UNUSED(knobKey);
}

void MainLayoutWidget::clearAllTabSelections() {}

void MainLayoutWidget::syncDelayWidgetForCurrentKnob() {}

void MainLayoutWidget::stopBluetoothWriteSession() {}

bool MainLayoutWidget::sendBluetoothPacketsFast(const std::vector<std::vector<unsigned char>> &packets)
{
    Q_UNUSED(packets);
    return false;
}

void MainLayoutWidget::tryAutoConnectBluetooth() {}

void MainLayoutWidget::mousePressEvent(QMouseEvent *event)
{
    // The logo label is created by the interface code; until then it is
    // found by name.
    if (!m_isConnected) {
        const QWidget *logo = findChild<QWidget *>(QStringLiteral("logoLabel"));
        if (logo && logo->geometry().contains(event->position().toPoint()))
            handleLogoPress();
    }
    QWidget::mousePressEvent(event);
}
