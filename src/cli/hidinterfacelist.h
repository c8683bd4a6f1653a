#pragma once

#include <QList>
#include <QString>

// One interface of a knob as `list` shows it.
struct KnobInterfaceInfo
{
    QString path;
    QString serial; // the serial number it reports; --device takes it too
    unsigned short vendorId = 0;
    unsigned short productId = 0;
    int interfaceNumber = -1;
    int busType = 0;       // hidapi bus type
    bool selected = false; // the interface the program would use
    bool refused = false;  // the system refused to open it (permission denied)
    QString heldBy;        // the program holding the knob, when another one does
};

// Every interface with either id pair, and which one the tool would use
// without --device (the same survey of the knobs it makes; every handle is
// closed again), which refused to open and which belong to a knob another
// program holds.
// False with *error when hidapi cannot be initialised.
bool listKnobInterfaces(QList<KnobInterfaceInfo> *interfaces, QString *error);

QString busTypeName(int busType);
