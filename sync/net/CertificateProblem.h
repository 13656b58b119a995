#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A server certificate that failed verification: where it was met, which
// certificate (SHA-256 fingerprint, hex) and why it was refused.
struct CertificateProblem {
    QString host;
    int port = 0;
    QByteArray fingerprint;
    QStringList reasons;
};
