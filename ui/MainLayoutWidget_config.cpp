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
            m_lightWidget->setLightSettings(decoded.colour, decoded.brightness, decoded.lightOn);
        return;
    case DecodedConfigPacket::Assignment:
    case DecodedConfigPacket::UnknownAction:
        break;
    }

    const int k = decoded.knobKey;
    switch (packet[4]) {
    case KeyboardAssignment:
        applyStandardKeyConfigPacket(k, packet);
        break;
    case MultimediaAssignment:
        applyMultimediaConfigPacket(k, packet);
        break;
    case MouseAssignment:
        applyMouseConfigPacket(k, packet);
        break;
    case ProcreateAssignment:
        applyProcreateConfigPacket(k, packet);
        break;
    default:
        return;
    }
    updateSingleKnobKeyDisplay(k);
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

void MainLayoutWidget::applyStandardKeyConfigPacket(int knobKey, const std::vector<unsigned char> &packet)
{
    if (knobKey < 1 || knobKey > 5 || packet.size() < 7)
        return;
    storeReadKnobEntries(knobKey, keyboardEntriesFromPacket(packet, m_isMacLayout));
}

void MainLayoutWidget::applyMultimediaConfigPacket(int knobKey, const std::vector<unsigned char> &packet)
{
    if (knobKey < 1 || knobKey > 5 || packet.size() < 10)
        return;
    const QString name = multimediaCombinationFromPacket(packet[9]);
    if (!name.isEmpty())
        storeReadKnobEntries(knobKey, {namedActionEntry(name)});
}

void MainLayoutWidget::applyMouseConfigPacket(int knobKey, const std::vector<unsigned char> &packet)
{
    if (knobKey < 1 || knobKey > 5)
        return;
    const QString name = mouseCombinationFromPacket(packet);
    if (!name.isEmpty())
        storeReadKnobEntries(knobKey, {namedActionEntry(name)});
}

void MainLayoutWidget::applyProcreateConfigPacket(int knobKey, const std::vector<unsigned char> &packet)
{
    if (knobKey < 1 || knobKey > 5 || packet.size() < 7)
        return;
    const QString name = procreateNameFromPacket(packet);
    if (!name.isEmpty()) {
        storeReadKnobEntries(knobKey, {namedActionEntry(name)});
        return;
    }
    qDebug().noquote() << "未知Procreate配置，回退为标准键盘解析:" << packetToHex(packet);
    applyStandardKeyConfigPacket(knobKey, packet);
}

QString MainLayoutWidget::standardCombinationFromPacket(unsigned char mask, unsigned char usage) const
{
    return ::standardCombinationFromPacket(mask, usage, m_isMacLayout);
}

QString MainLayoutWidget::multimediaCombinationFromPacket(unsigned char usage) const
{
    return ::multimediaCombinationFromPacket(usage);
}

QString MainLayoutWidget::mouseCombinationFromPacket(const std::vector<unsigned char> &packet) const
{
    return ::mouseCombinationFromPacket(packet);
}

int MainLayoutWidget::knobKeyIndexForCommand(unsigned char code) const
{
    return ::knobKeyIndexForCommand(code);
}

void MainLayoutWidget::storeReadKnobEntries(int knobKey, const QList<ConfigEntry> &entries)
{
    if (knobKey < 1 || knobKey > 5)
        return;
    const int i = knobKey - 1;
    m_knobKeyCodes[i].clear();
    m_knobCombinations[i].clear();
    m_knobDisplayNames[i].clear();
    QList<QString> texts;
    for (const ConfigEntry &e : entries) {
        if (e.isPlainKey())
            m_knobKeyCodes[i].append(e.keyCode);
        else
            m_knobCombinations[i].append(e.name);
        m_knobDisplayNames[i].append(e.displayName);
        texts.append(e.boxText);
    }
    if (!m_delayWidget)
        return;
    m_delayWidget->resetKnobDelays(knobKey);
    for (int v = 0; v < entries.size(); ++v)
        m_delayWidget->setDelayForVirtualKey(knobKey, v, entries.at(v).delayMs);
    m_delayWidget->setVirtualKeyCount(knobKey, static_cast<int>(texts.size()));
    m_delayWidget->setVirtualKeyTexts(knobKey, texts);
}
