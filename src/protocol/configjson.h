#pragma once

#include "protocol/knobdocument.h"

#include <QByteArray>
#include <QString>

// The configuration file: JSON with a fixed member order so that two backups
// diff line by line.

QByteArray configDocumentToJson(const KnobDocument &document);

struct ConfigJsonParse
{
    bool ok = false;
    KnobDocument document;
    QString error; // one sentence, starting with the JSON path when there is one
};

// Reads and validates a whole file; nothing in an invalid file is used.
ConfigJsonParse configDocumentFromJson(const QByteArray &json);
