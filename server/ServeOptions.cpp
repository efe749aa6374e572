#include "server/ServeOptions.h"

#include "core/Exception.h"
#include "db/TDatabaseUrl.h"

#include <QFile>
#include <QSslSocket>

namespace {

// "--name VALUE" as a whole number within [min, max]; empty text when it is one.
QString readNumber(const QString& name, const QString& text, qint64 min, qint64 max,
                   qint64* value) {
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < min || number > max)
        return QStringLiteral("%1 exige um número inteiro de %2 a %3.").arg(name).arg(min).arg(max);
    *value = number;
    return {};
}

QSslKey readKey(const QByteArray& pem) {
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec}) {
        QSslKey key(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            return key;
    }
    return {};
}

} // namespace

QString ServeOptions::usage() {
    return QStringLiteral(
        "  serve --db URL [--listen 127.0.0.1:7210] [--token-file ARQUIVO]\n"
        "        [--max-connections 64] [--lease 900] [--idle-timeout SEGUNDOS]\n"
        "        [--max-frame BYTES] [--tls-cert ARQUIVO --tls-key ARQUIVO]\n"
        "      Atende o módulo remoto por TCP, uma thread e uma conexão ao banco por\n"
        "      cliente. Fora da interface local (127.0.0.1, ::1) exige TLS e token.\n"
        "      --idle-timeout 0 mantém conexões ociosas (padrão: 1800 s).\n");
}

QString ServeOptions::parse(const QStringList& args, ServeOptions* options) {
    return options->readValues(args);
}

QString ServeOptions::readValues(const QStringList& args) {
    QString tokenFile, certFile, keyFile, listen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& name = args[i];
        if (!name.startsWith(QLatin1String("--")))
            return QStringLiteral("Argumento inesperado: %1").arg(name);
        if (i + 1 >= args.size())
            return QStringLiteral("%1 exige um valor.").arg(name);
        const QString value = args[++i];
        qint64 number = 0;
        QString problem;
        if (name == QLatin1String("--db")) {
            databaseUrl = value;
        } else if (name == QLatin1String("--listen")) {
            listen = value;
        } else if (name == QLatin1String("--token-file")) {
            tokenFile = value;
        } else if (name == QLatin1String("--tls-cert")) {
            certFile = value;
        } else if (name == QLatin1String("--tls-key")) {
            keyFile = value;
        } else if (name == QLatin1String("--max-connections")) {
            problem = readNumber(name, value, 1, 10000, &number);
            maxConnections = int(number);
        } else if (name == QLatin1String("--lease")) {
            problem = readNumber(name, value, 1, 7 * 24 * 3600, &number);
            leaseSeconds = int(number);
        } else if (name == QLatin1String("--idle-timeout")) {
            problem = readNumber(name, value, 0, 7 * 24 * 3600, &number);
            idleTimeoutSeconds = int(number);
        } else if (name == QLatin1String("--max-frame")) {
            // The length field has 32 bits; a tiny limit would refuse every packet.
            problem = readNumber(name, value, 1024, 0x7fffffff, &number);
            maxFrameSize = qsizetype(number);
        } else {
            return QStringLiteral("Opção desconhecida: %1").arg(name);
        }
        if (!problem.isEmpty())
            return problem;
    }
    if (databaseUrl.isEmpty())
        return QStringLiteral("Informe o banco de dados com --db URL.");
    try {
        TDatabaseUrl::parse(databaseUrl);
    } catch (const Exception& e) {
        return e.message();
    }
    if (!listen.isEmpty() && !parseListen(listen, &address, &port))
        return QStringLiteral("Endereço inválido em --listen: %1 (use IP:PORTA, por exemplo "
                              "127.0.0.1:7210).")
            .arg(listen);
    const QString problem = loadFiles(tokenFile, certFile, keyFile);
    return problem.isEmpty() ? checkExposure() : problem;
}

bool ServeOptions::parseListen(const QString& text, QHostAddress* address, quint16* port) {
    QString host = text.trimmed();
    quint16 number = kDefaultPort;
    const qsizetype colon = host.lastIndexOf(u':');
    const bool bracketed = host.startsWith(u'[');
    const bool hasPort =
        colon > 0 && (bracketed ? host.at(colon - 1) == u']' : host.count(u':') == 1);
    if (hasPort) {
        bool ok = false;
        const uint value = host.mid(colon + 1).toUInt(&ok);
        if (!ok || value > 65535)
            return false;
        number = quint16(value);
        host.truncate(colon);
    }
    if (bracketed) {
        if (!host.endsWith(u']'))
            return false;
        host = host.mid(1, host.size() - 2);
    }
    QHostAddress parsed;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        parsed = QHostAddress(QHostAddress::LocalHost);
    else if (!parsed.setAddress(host))
        return false;
    *address = parsed;
    *port = number;
    return true;
}

QString ServeOptions::loadFiles(const QString& tokenFile, const QString& certFile,
                                const QString& keyFile) {
    QString problem;
    if (!tokenFile.isEmpty()) {
        token = AccessToken::fromFile(tokenFile, &problem);
        if (!problem.isEmpty())
            return problem;
    }
    if (certFile.isEmpty() != keyFile.isEmpty())
        return QStringLiteral("Informe --tls-cert e --tls-key juntos.");
    if (certFile.isEmpty())
        return {};
    if (!QSslSocket::supportsSsl())
        return QStringLiteral("Este servidor não tem suporte a TLS (biblioteca OpenSSL ausente).");
    certificateChain = QSslCertificate::fromPath(certFile, QSsl::Pem);
    if (certificateChain.isEmpty())
        return QStringLiteral("Nenhum certificado PEM legível em %1.").arg(certFile);
    QFile file(keyFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Não foi possível ler a chave %1: %2")
            .arg(keyFile, file.errorString());
    privateKey = readKey(file.read(1024 * 1024));
    if (privateKey.isNull())
        return QStringLiteral("Chave privada PEM (RSA ou EC, sem senha) ilegível em %1.")
            .arg(keyFile);
    return {};
}

// Beyond loopback anyone on the network can reach the port: the traffic must be encrypted
// and the client must prove it may call.
QString ServeOptions::checkExposure() const {
    if (address.isLoopback() || (usesTls() && token.isRequired()))
        return {};
    return QStringLiteral("Recusado: para ouvir em %1, fora da interface local, informe "
                          "--tls-cert, --tls-key e --token-file.")
        .arg(address.toString());
}
