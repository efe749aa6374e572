#include "server/AccessToken.h"

#include <QCryptographicHash>
#include <QFile>

AccessToken::AccessToken(const QString& token)
    : m_digest(token.isEmpty() ? QByteArray() : digest(token)) {}

AccessToken AccessToken::fromFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Não foi possível ler o arquivo do token %1: %2")
                     .arg(path, file.errorString());
        return {};
    }
    // A token file is a few bytes; reading a bounded amount keeps a wrong path harmless.
    const QString token = QString::fromUtf8(file.read(4096)).section(u'\n', 0, 0).trimmed();
    if (token.isEmpty()) {
        *error = QStringLiteral("O arquivo do token %1 está vazio.").arg(path);
        return {};
    }
    // Refused hellos are cheap to repeat: only the token's length keeps guessing hopeless.
    if (token.size() < kMinimumLength) {
        *error = QStringLiteral("O token de %1 tem %2 caracteres; são necessários pelo menos %3.")
                     .arg(path)
                     .arg(token.size())
                     .arg(kMinimumLength);
        return {};
    }
    return AccessToken(token);
}

bool AccessToken::matches(const QString& presented) const {
    if (!isRequired())
        return true;
    const QByteArray other = digest(presented);
    unsigned char difference = 0;
    for (qsizetype i = 0; i < m_digest.size(); ++i)
        difference |= static_cast<unsigned char>(m_digest[i] ^ other[i]);
    return difference == 0 && !presented.isEmpty();
}

QByteArray AccessToken::digest(const QString& token) {
    return QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256);
}
