#include "server/IniFile.h"

#include <QFile>

bool IniFile::read(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Não foi possível ler o arquivo de configuração %1: %2")
                     .arg(path, file.errorString());
        return false;
    }
    // One byte over the limit is enough to know it is too large.
    const QByteArray bytes = file.read(kMaxSize + 1);
    if (bytes.size() > kMaxSize) {
        *error = QStringLiteral("O arquivo de configuração %1 passa de %2 bytes.")
                     .arg(path)
                     .arg(kMaxSize);
        return false;
    }
    return parse(path, QString::fromUtf8(bytes), error);
}

bool IniFile::parse(const QString& path, const QString& text, QString* error) {
    m_path = path;
    m_entries.clear();
    m_sections.clear();
    QString section;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!parseLine(lines[i], int(i + 1), &section, error))
            return false;
    }
    return true;
}

bool IniFile::parseLine(const QString& raw, int line, QString* section, QString* error) {
    QString text = raw.trimmed();
    if (line == 1 && text.startsWith(QChar(0xFEFF)))
        text = text.mid(1).trimmed();
    if (text.isEmpty() || text.startsWith(u';') || text.startsWith(u'#'))
        return true;
    if (text.startsWith(u'[')) {
        if (!text.endsWith(u']') || text.size() < 3) {
            *error = QStringLiteral("%1: cabeçalho de seção inválido: %2").arg(where(line), text);
            return false;
        }
        *section = text.mid(1, text.size() - 2).trimmed();
        m_sections.append({*section, line});
        return true;
    }
    const qsizetype equals = text.indexOf(u'=');
    const QString key = equals < 0 ? QString() : text.left(equals).trimmed();
    if (key.isEmpty()) {
        *error = QStringLiteral("%1: esperado chave = valor: %2").arg(where(line), text);
        return false;
    }
    QString value;
    if (!unquote(text.mid(equals + 1).trimmed(), &value)) {
        *error = QStringLiteral("%1: valor entre aspas malformado em %2").arg(where(line), key);
        return false;
    }
    if (const Entry* earlier = find(*section, key)) {
        *error = QStringLiteral("%1: %2 repetida (já definida na linha %3)")
                     .arg(where(line), key)
                     .arg(earlier->line);
        return false;
    }
    m_entries.append({*section, key, value, line});
    return true;
}

bool IniFile::unquote(const QString& text, QString* value) {
    if (!text.startsWith(u'"')) {
        *value = text;
        return true;
    }
    QString out;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            if (i != text.size() - 1)
                return false; // something after the closing quote
            *value = out;
            return true;
        }
        if (c == u'\\' && i + 1 < text.size())
            out += text[++i];
        else
            out += c;
    }
    return false;
}

const IniFile::Entry* IniFile::find(const QString& section, const QString& key) const {
    for (const Entry& entry : m_entries) {
        if (entry.section == section && entry.key == key)
            return &entry;
    }
    return nullptr;
}

QString IniFile::where(int line) const {
    return QStringLiteral("%1, linha %2").arg(m_path).arg(line);
}
