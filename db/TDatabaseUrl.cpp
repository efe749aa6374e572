#include "db/TDatabaseUrl.h"

#include "core/Exception.h"

#include <QUrl>

namespace {
const QLatin1String kSqlitePrefix("sqlite:");
const QLatin1String kPostgreSqlPrefix("postgresql://");

[[noreturn]] void invalid(const QString& shown, const QString& why) {
    throw Exception(QStringLiteral("Endereço de banco de dados inválido \"%1\": %2. Use "
                                   "sqlite:CAMINHO ou postgresql://usuário@servidor:porta/banco.")
                        .arg(shown, why));
}

// The URL with any password blanked, for error texts.
QString withoutPassword(const QString& url) {
    QUrl parsed(url);
    if (parsed.isValid() && !parsed.password().isEmpty()) {
        parsed.setPassword(QStringLiteral("***"));
        return parsed.toString();
    }
    return url;
}
} // namespace

TDatabaseUrl TDatabaseUrl::parse(const QString& url) {
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty())
        throw Exception(QStringLiteral("Endereço do banco de dados não informado."));
    if (trimmed.startsWith(kSqlitePrefix, Qt::CaseInsensitive))
        return parseSqlite(trimmed);
    if (trimmed.startsWith(kPostgreSqlPrefix, Qt::CaseInsensitive))
        return parsePostgreSql(trimmed);
    invalid(withoutPassword(trimmed), QStringLiteral("tipo de banco desconhecido"));
}

TDatabaseUrl TDatabaseUrl::parseSqlite(const QString& url) {
    TDatabaseUrl result;
    result.m_dialect = TDialect::SQLite;
    result.m_path = url.mid(kSqlitePrefix.size());
    // "sqlite:///tmp/x.db" is a common way of writing an absolute path.
    if (result.m_path.startsWith(QLatin1String("///")))
        result.m_path.remove(0, 2);
    if (result.m_path.isEmpty())
        invalid(url, QStringLiteral("caminho do arquivo não informado"));
    return result;
}

TDatabaseUrl TDatabaseUrl::parsePostgreSql(const QString& url) {
    const QString shown = withoutPassword(url);
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        invalid(shown, QStringLiteral("endereço malformado"));
    TDatabaseUrl result;
    result.m_dialect = TDialect::PostgreSQL;
    result.m_user = parsed.userName();
    result.m_password = parsed.password();
    result.m_host = parsed.host();
    result.m_port = parsed.port(defaultPostgreSqlPort);
    result.m_databaseName = parsed.path().mid(1);
    if (result.m_host.isEmpty())
        invalid(shown, QStringLiteral("servidor não informado"));
    if (result.m_user.isEmpty())
        invalid(shown, QStringLiteral("usuário não informado"));
    if (result.m_port <= 0 || result.m_port > 65535)
        invalid(shown, QStringLiteral("porta inválida"));
    if (result.m_databaseName.isEmpty() || result.m_databaseName.contains(QLatin1Char('/')))
        invalid(shown, QStringLiteral("nome do banco não informado"));
    if (parsed.hasQuery() || parsed.hasFragment())
        invalid(shown, QStringLiteral("opções não são aceitas"));
    return result;
}

QString TDatabaseUrl::display() const {
    if (m_dialect == TDialect::SQLite)
        return kSqlitePrefix + m_path;
    return QStringLiteral("postgresql://%1@%2:%3/%4")
        .arg(m_user, m_host, QString::number(m_port), m_databaseName);
}
