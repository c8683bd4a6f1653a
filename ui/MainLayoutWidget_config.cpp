// Putting a read-back configuration into the knob model, the delay page and
// the lighting page. The byte-level decoding is protocol/configdecode.
#include "ui/MainLayoutWidget.h"

#include "protocol/configdecode.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/LightWidget.h"

#include <QDebug>

void MainLayoutWidget::applyReadConfigPacket(const std::vector<unsigned char> &packet)
{
    const DecodedConfigPacket decoded = decodeConfigPacket(packet, m_isMacLayout);
    switch (decoded.kind) {
    case DecodedConfigPacket::Ignored:
        return;
    case DecodedConfigPacket::Colour:
        if (m_lightWidget)
            m_lightWidget->setLightSettings(
                QColor(decoded.light.red, decoded.light.green, decoded.light.blue), decoded.light.brightness,
                decoded.light.on);
        return;
    case DecodedConfigPacket::Assignment:
        if (decoded.procreateFallback)
            qDebug().noquote() << "未知Procreate配置，回退为标准键盘解析:" << packetToHex(packet);
        storeReadKnobEntries(decoded.knobKey, decoded.entries);
        break;
    case DecodedConfigPacket::UnknownAction:
        break;
    }
    updateSingleKnobKeyDisplay(decoded.knobKey);
}

void MainLayoutWidget::applyReadConfigPackets(std::vector<std::vector<unsigned char>> packets)
{
    const int selected = m_selectedKnobKey;
    clearLoadedConfigState();

    for (const Packet &packet : sortConfigPacketsForApply(std::move(packets)))
        applyReadConfigPacket(packet);

    for (int k = 1; k <= 5; ++k)
        updateSingleKnobKeyDisplay(k);
    if (selected >= 1 && selected <= 5) {
        m_selectedKnobKey = selected;
        updateKnobKeysDisplay();
    }
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

void MainLayoutWidget::storeReadKnobEntries(int knobKey, const QList<ConfigEntry> &entries)
{
    if (!KnobModel::validKey(knobKey))
        return;
    m_model.storeEntries(knobKey, entries);
    if (!m_delayWidget)
        return;
    QList<QString> texts;
    for (const ConfigEntry &e : entries)
        texts.append(e.boxText);
    m_delayWidget->refreshDelays(knobKey);
    m_delayWidget->setVirtualKeyCount(knobKey, int(texts.size()));
    m_delayWidget->setVirtualKeyTexts(knobKey, texts);
}
