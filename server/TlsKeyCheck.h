#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// Whether a certificate and a private key belong together, found by one TLS handshake with
// itself over loopback before the server listens: a key that does not match its certificate
// would otherwise be accepted at start and leave every client's handshake hanging.
class TlsKeyCheck {
public:
    // Empty when they match; otherwise the reason, in Portuguese.
    static QString check(const QList<QSslCertificate>& chain, const QSslKey& key,
                         int timeoutMs = 5000);
};
