// Placeholders for window operations that the device link calls but that
// belong to parts of the window not built yet. Each is replaced by its real
// definition in the file of its own part.
#include "ui/MainLayoutWidget.h"

void MainLayoutWidget::stopBluetoothWriteSession() {}

bool MainLayoutWidget::sendBluetoothPacketsFast(const std::vector<std::vector<unsigned char>> &packets)
{
    Q_UNUSED(packets);
    return false;
}

void MainLayoutWidget::tryAutoConnectBluetooth() {}
