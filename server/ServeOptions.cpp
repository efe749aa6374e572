#include "server/ServeOptions.h"

#include "core/Exception.h"
#include "db/TDatabaseUrl.h"
#include "server/DeliveryExport.h"
#include "server/TlsKeyCheck.h"

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

CommandLine ServeOptions::commandLine() {
    const ServeOptions defaults;
    CommandLine line(
        QStringLiteral("zel-appserver serve"), QStringLiteral("--db URL [opções]"),
        QStringLiteral("Atende o módulo remoto por TCP, uma thread e uma conexão ao banco por\n"
                       "cliente. Fora da interface local (127.0.0.1, ::1) exige TLS e token."));
    line.addOptions({
        {QStringLiteral("db"),
         QStringLiteral("o banco de dados: sqlite:CAMINHO ou postgresql://..."),
         QStringLiteral("URL")},
        {QStringLiteral("listen"),
         QStringLiteral("endereço e porta (padrão 127.0.0.1:%1)").arg(kDefaultPort),
         QStringLiteral("IP:PORTA")},
        {QStringLiteral("token-file"), QStringLiteral("arquivo com o token exigido dos clientes"),
         QStringLiteral("ARQUIVO")},
        {QStringLiteral("max-connections"),
         QStringLiteral("conexões simultâneas (padrão %1)").arg(defaults.maxConnections),
         QStringLiteral("N")},
        {QStringLiteral("lease"),
         QStringLiteral("prazo após o qual uma apuração em andamento conta como interrompida "
                        "(padrão %1)")
             .arg(defaults.leaseSeconds),
         QStringLiteral("SEGUNDOS")},
        {QStringLiteral("idle-timeout"),
         QStringLiteral("encerra conexões ociosas após SEGUNDOS; 0 as mantém (padrão %1)")
             .arg(defaults.idleTimeoutSeconds),
         QStringLiteral("SEGUNDOS")},
        {QStringLiteral("max-frame"),
         QStringLiteral("tamanho máximo de uma chamada do cliente, em bytes (padrão %1)")
             .arg(defaults.maxFrameSize),
         QStringLiteral("BYTES")},
        {QStringLiteral("export-dir"),
         QStringLiteral("diretório onde as deliveries apuradas são exportadas (padrão: a "
                        "linha EXPDELIV de DIRETORIOS, se houver)"),
         QStringLiteral("DIR")},
        {QStringLiteral("tls-cert"), QStringLiteral("certificado PEM do servidor (com --tls-key)"),
         QStringLiteral("ARQUIVO")},
        {QStringLiteral("tls-key"), QStringLiteral("chave privada PEM do certificado"),
         QStringLiteral("ARQUIVO")},
    });
    return line;
}

QString ServeOptions::parse(const QStringList& args, ServeOptions* options) {
    CommandLine line = commandLine();
    QString problem;
    if (!line.parse(args, &problem))
        return problem;
    return options->read(line);
}

QString ServeOptions::read(const CommandLine& line) {
    const auto text = [&](const char* name) { return line.value(QString::fromLatin1(name)); };
    // A number option when given; its limits are checked by readNumber.
    const auto number = [&](const char* name, qint64 min, qint64 max, qint64* value) {
        if (!line.isSet(QString::fromLatin1(name)))
            return QString();
        return readNumber(QStringLiteral("--") + QLatin1String(name), text(name), min, max, value);
    };
    databaseUrl = text("db");
    exportDir = text("export-dir");
    qint64 connections = maxConnections;
    qint64 lease = leaseSeconds;
    qint64 idle = idleTimeoutSeconds;
    qint64 frame = maxFrameSize;
    for (const QString& problem : {
             number("max-connections", 1, 10000, &connections),
             number("lease", 1, 7 * 24 * 3600, &lease),
             number("idle-timeout", 0, 7 * 24 * 3600, &idle),
             // The length field has 32 bits; a tiny limit would refuse every packet.
             number("max-frame", 1024, 0x7fffffff, &frame),
         }) {
        if (!problem.isEmpty())
            return problem;
    }
    maxConnections = int(connections);
    leaseSeconds = int(lease);
    idleTimeoutSeconds = int(idle);
    maxFrameSize = qsizetype(frame);
    if (databaseUrl.isEmpty())
        return QStringLiteral("Informe o banco de dados com --db URL.");
    if (!exportDir.isEmpty() && !DeliveryExport::isWritableDirectory(exportDir))
        return QStringLiteral("O diretório de exportação %1 não existe ou não aceita escrita.")
            .arg(exportDir);
    try {
        TDatabaseUrl::parse(databaseUrl);
    } catch (const Exception& e) {
        return e.message();
    }
    const QString listen = text("listen");
    if (!listen.isEmpty() && !parseListen(listen, &address, &port))
        return QStringLiteral("Endereço inválido em --listen: %1 (use IP:PORTA, por exemplo "
                              "127.0.0.1:7210).")
            .arg(listen);
    const QString problem = loadFiles(text("token-file"), text("tls-cert"), text("tls-key"));
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
    const QString mismatch = TlsKeyCheck::check(certificateChain, privateKey);
    if (!mismatch.isEmpty())
        return QStringLiteral("%1: %2").arg(keyFile, mismatch);
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
