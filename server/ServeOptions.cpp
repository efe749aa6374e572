#include "server/ServeOptions.h"

#include "core/Exception.h"
#include "db/TDatabaseUrl.h"
#include "server/DeliveryExport.h"
#include "server/IniFile.h"
#include "server/TlsKeyCheck.h"

#include <QFile>
#include <QSslSocket>

namespace {

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
        QStringLiteral("zel-appserver serve"),
        QStringLiteral("--db URL | --config ARQUIVO [opções]"),
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
        {QStringLiteral("max-computations"),
         QStringLiteral("apurações calculadas ao mesmo tempo; as demais aguardam a vez na "
                        "ordem de chegada (padrão: uma por processador, aqui %1)")
             .arg(defaults.maxComputations),
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
        {QStringLiteral("grace"),
         QStringLiteral("ao receber SIGTERM, prazo para as chamadas em andamento terminarem ou "
                        "serem desfeitas (padrão %1)")
             .arg(defaults.graceSeconds),
         QStringLiteral("SEGUNDOS")},
        {QStringLiteral("config"),
         QStringLiteral("arquivo INI com as opções na seção [%1] (chaves como as opções: db = "
                        "URL, max-connections = 16); a linha de comando prevalece")
             .arg(kSection),
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
    if (!line.isSet(QStringLiteral("config")))
        return read(line, nullptr);
    IniFile file;
    const QString problem = readConfig(line.value(QStringLiteral("config")), &file);
    return problem.isEmpty() ? read(line, &file) : problem;
}

QStringList ServeOptions::fileKeys() {
    QStringList keys;
    const CommandLine line = commandLine();
    for (const QCommandLineOption& option : line.options()) {
        if (option.names().constFirst() != QLatin1String("config"))
            keys.append(option.names().constFirst());
    }
    return keys;
}

QString ServeOptions::readConfig(const QString& path, IniFile* file) {
    QString problem;
    if (!file->read(path, &problem))
        return problem;
    for (const IniFile::Section& section : file->sections()) {
        if (section.name != kSection)
            return QStringLiteral("%1: seção desconhecida [%2]; as opções ficam em [%3].")
                .arg(file->where(section.line), section.name, kSection);
    }
    const QStringList keys = fileKeys();
    for (const IniFile::Entry& entry : file->entries()) {
        if (entry.section.isEmpty())
            return QStringLiteral("%1: %2 fora da seção [%3].")
                .arg(file->where(entry.line), entry.key, kSection);
        if (!keys.contains(entry.key))
            return QStringLiteral("%1: chave desconhecida: %2 (válidas: %3).")
                .arg(file->where(entry.line), entry.key, keys.join(QLatin1String(", ")));
    }
    return {};
}

bool ServeOptions::given(const QString& name) const {
    if (m_line->isSet(name))
        return true;
    const IniFile::Entry* entry = m_file ? m_file->find(kSection, name) : nullptr;
    return entry && !entry->value.isEmpty();
}

QString ServeOptions::value(const QString& name) const {
    if (m_line->isSet(name) || !given(name))
        return m_line->value(name);
    return m_file->find(kSection, name)->value;
}

QString ServeOptions::label(const QString& name) const {
    return m_line->isSet(name) || !given(name) ? QStringLiteral("--") + name : name;
}

QString ServeOptions::inFile(const QString& name, const QString& problem) const {
    if (problem.isEmpty() || m_line->isSet(name) || !given(name))
        return problem;
    return m_file->where(m_file->find(kSection, name)->line) + QStringLiteral(": ") + problem;
}

QString ServeOptions::read(const CommandLine& line, const IniFile* file) {
    m_line = &line;
    m_file = file;
    m_origins.clear();
    for (const QString& name : fileKeys()) {
        if (line.isSet(name))
            m_origins.insert(name, QStringLiteral("linha de comando"));
        else if (given(name))
            m_origins.insert(name,
                             QStringLiteral("linha %1").arg(file->find(kSection, name)->line));
    }
    QString problem = readNumbers();
    if (problem.isEmpty())
        problem = readTexts();
    if (problem.isEmpty())
        problem = loadFiles();
    if (problem.isEmpty())
        problem = checkExposure();
    m_line = nullptr;
    m_file = nullptr;
    return problem;
}

QString ServeOptions::readNumbers() {
    // A number option when given; its limits are checked by CommandLine::readInteger.
    const auto number = [&](const QString& name, qint64 min, qint64 max, qint64* out) {
        if (!given(name))
            return QString();
        return inFile(name, CommandLine::readInteger(label(name), value(name), min, max, out));
    };
    qint64 connections = maxConnections;
    qint64 computations = maxComputations;
    qint64 lease = leaseSeconds;
    qint64 idle = idleTimeoutSeconds;
    qint64 frame = maxFrameSize;
    qint64 grace = graceSeconds;
    for (const QString& problem : {
             number(QStringLiteral("max-connections"), 1, 10000, &connections),
             number(QStringLiteral("max-computations"), 1, 1000, &computations),
             number(QStringLiteral("lease"), 1, 7 * 24 * 3600, &lease),
             number(QStringLiteral("idle-timeout"), 0, 7 * 24 * 3600, &idle),
             // The length field has 32 bits; a tiny limit would refuse every packet.
             number(QStringLiteral("max-frame"), 1024, 0x7fffffff, &frame),
             number(QStringLiteral("grace"), 0, 3600, &grace),
         }) {
        if (!problem.isEmpty())
            return problem;
    }
    maxConnections = int(connections);
    maxComputations = int(computations);
    leaseSeconds = int(lease);
    idleTimeoutSeconds = int(idle);
    maxFrameSize = qsizetype(frame);
    graceSeconds = int(grace);
    return {};
}

QString ServeOptions::readTexts() {
    const QString db = QStringLiteral("db");
    const QString exportKey = QStringLiteral("export-dir");
    const QString listenKey = QStringLiteral("listen");
    databaseUrl = value(db);
    exportDir = value(exportKey);
    if (databaseUrl.isEmpty())
        return m_file ? QStringLiteral("Informe o banco de dados com --db URL ou db = URL na "
                                       "seção [%1] de %2.")
                            .arg(kSection, m_file->path())
                      : QStringLiteral("Informe o banco de dados com --db URL.");
    if (!exportDir.isEmpty() && !DeliveryExport::isWritableDirectory(exportDir))
        return inFile(exportKey,
                      QStringLiteral("O diretório de exportação %1 não existe ou não aceita "
                                     "escrita.")
                          .arg(exportDir));
    try {
        TDatabaseUrl::parse(databaseUrl);
    } catch (const Exception& e) {
        return inFile(db, e.message());
    }
    const QString listen = value(listenKey);
    if (!listen.isEmpty() && !parseListen(listen, &address, &port))
        return inFile(listenKey, QStringLiteral("Endereço inválido em %1: %2 (use IP:PORTA, por "
                                                "exemplo 127.0.0.1:7210).")
                                     .arg(label(listenKey), listen));
    return {};
}

QStringList ServeOptions::describe() const {
    const auto seconds = [](int n) { return QStringLiteral("%1 s").arg(n); };
    const auto shownFile = [&](const QString& key) {
        const QString path = m_files.value(key);
        return path.isEmpty() ? QStringLiteral("(nenhum)") : path;
    };
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    QString shownDb = databaseUrl;
    try {
        shownDb = TDatabaseUrl::parse(databaseUrl).display();
    } catch (const Exception&) {
    }
    const QList<std::pair<QString, QString>> values = {
        {QStringLiteral("db"), shownDb},
        {QStringLiteral("listen"), QStringLiteral("%1:%2").arg(host).arg(port)},
        {QStringLiteral("token-file"),
         shownFile(QStringLiteral("token-file")) +
             (token.isRequired() ? QStringLiteral(" (token exigido dos clientes)") : QString())},
        {QStringLiteral("max-connections"), QString::number(maxConnections)},
        {QStringLiteral("max-computations"), QString::number(maxComputations)},
        {QStringLiteral("lease"), seconds(leaseSeconds)},
        {QStringLiteral("idle-timeout"),
         idleTimeoutSeconds == 0 ? QStringLiteral("0 (nunca)") : seconds(idleTimeoutSeconds)},
        {QStringLiteral("max-frame"), QStringLiteral("%1 bytes").arg(maxFrameSize)},
        {QStringLiteral("export-dir"),
         exportDir.isEmpty() ? QStringLiteral("(a linha EXPDELIV de DIRETORIOS, se houver)")
                             : exportDir},
        {QStringLiteral("tls-cert"), shownFile(QStringLiteral("tls-cert"))},
        {QStringLiteral("tls-key"), shownFile(QStringLiteral("tls-key"))},
        {QStringLiteral("grace"), seconds(graceSeconds)},
    };
    QStringList lines;
    for (const auto& [key, shown] : values)
        lines.append(QStringLiteral("%1 = %2  [%3]")
                         .arg(key, shown, m_origins.value(key, QStringLiteral("padrão"))));
    return lines;
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

QString ServeOptions::loadFiles() {
    const QString tokenKey = QStringLiteral("token-file");
    const QString certKey = QStringLiteral("tls-cert");
    const QString keyKey = QStringLiteral("tls-key");
    const QString tokenFile = value(tokenKey);
    const QString certFile = value(certKey);
    const QString keyFile = value(keyKey);
    m_files = {{tokenKey, tokenFile}, {certKey, certFile}, {keyKey, keyFile}};
    QString problem;
    if (!tokenFile.isEmpty()) {
        token = AccessToken::fromFile(tokenFile, &problem);
        if (!problem.isEmpty())
            return inFile(tokenKey, problem);
    }
    if (certFile.isEmpty() != keyFile.isEmpty())
        return inFile(certFile.isEmpty() ? keyKey : certKey,
                      QStringLiteral("Informe --tls-cert e --tls-key juntos."));
    if (certFile.isEmpty())
        return {};
    if (!QSslSocket::supportsSsl())
        return QStringLiteral("Este servidor não tem suporte a TLS (biblioteca OpenSSL ausente).");
    certificateChain = QSslCertificate::fromPath(certFile, QSsl::Pem);
    if (certificateChain.isEmpty())
        return inFile(certKey,
                      QStringLiteral("Nenhum certificado PEM legível em %1.").arg(certFile));
    QFile file(keyFile);
    if (!file.open(QIODevice::ReadOnly))
        return inFile(
            keyKey,
            QStringLiteral("Não foi possível ler a chave %1: %2").arg(keyFile, file.errorString()));
    privateKey = readKey(file.read(1024 * 1024));
    if (privateKey.isNull())
        return inFile(keyKey,
                      QStringLiteral("Chave privada PEM (RSA ou EC, sem senha) ilegível em %1.")
                          .arg(keyFile));
    const QString mismatch = TlsKeyCheck::check(certificateChain, privateKey);
    if (!mismatch.isEmpty())
        return inFile(keyKey, QStringLiteral("%1: %2").arg(keyFile, mismatch));
    return {};
}

// Beyond loopback anyone on the network can reach the port: the traffic must be encrypted
// and the client must prove it may call.
QString ServeOptions::checkExposure() const {
    if (address.isLoopback() || (usesTls() && token.isRequired()))
        return {};
    return inFile(QStringLiteral("listen"),
                  QStringLiteral("Recusado: para ouvir em %1, fora da interface local, informe "
                                 "--tls-cert, --tls-key e --token-file.")
                      .arg(address.toString()));
}
