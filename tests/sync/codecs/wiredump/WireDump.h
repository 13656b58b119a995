#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QVariant>

// The decoders as a command: reads one document and tells what it decodes to,
// as JSON. Shared by the wiredump tool and the fuzz targets.
class WireDump {
public:
    struct Output {
        int exitCode = 0; // 0 decoded, 1 refused or unparsable, 2 unknown kind
        QByteArray text;  // JSON, or the error text
    };

    // kind: "xmlrpc", "atom", "rsd" or "head".
    static Output run(QByteArrayView kind, const QByteArray& document);

    // Dates become ISO 8601 texts in UTC, data {"base64": "..."}.
    static QJsonValue toJson(const QVariant& value);
};
