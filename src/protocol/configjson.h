#pragma once

#include "protocol/knobdocument.h"

#include <QByteArray>
#include <QString>

// The configuration file: JSON with a fixed member order so that two backups
// diff line by line.

QByteArray configDocumentToJson(const KnobDocument &document);

// A profile file is the same file with a name and, optionally, the
// application it suits, so that a renamed file keeps what the user typed.
struct ConfigFileLabel
{
    QString name;
    QString application;
};
QByteArray configDocumentToJson(const KnobDocument &document, const ConfigFileLabel &label);

struct ConfigJsonParse
{
    bool ok = false;
    KnobDocument document;
    QString error;         // one sentence, starting with the JSON path when there is one
    ConfigFileLabel label; // empty in a plain configuration file
};

// Reads and validates a whole file; nothing in an invalid file is used.
ConfigJsonParse configDocumentFromJson(const QByteArray &json);
