#pragma once

#include "protocol/packets.h"

#include <QString>

// One JSON line of the Bluetooth helper, typed. A field the line lacks reads
// as an empty text or false.
struct BleHelperMessage
{
    enum class Type
    {
        Connected,           // address, deviceId
        GattUuids,           // writeUuid
        WriteReady,          //
        WriteOk,             // query
        HardwareProbe,       // online
        Notify,              // packet
        SessionDisconnected, //
        Error,               // message
    };

    Type type = Type::Error;
    QString address;   // trimmed
    QString deviceId;  // trimmed
    QString writeUuid; // trimmed
    QString message;
    bool query = false;
    bool online = false;
    // Notify: the 65-byte configuration packet, or empty when the notification
    // is not a configuration packet and is to be ignored.
    Packet packet;
};
