#pragma once

#include <QString>
#include <QtGlobal>

// A fresh identifier for a record made here (entries, accounts, templates,
// attachments): 32 lower-case hexadecimal digits, the MD5 of the current time
// together with a process-wide counter and random bytes, so that records made
// in the same instant never share an identifier (and a file).
QString newUniqueID();

// The same for a given time in milliseconds since 1970.
QString newUniqueIDAt(qint64 msecsSinceEpoch);
