#include "platform/HelpTopics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <utility>

namespace {

QString readPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(HelpTopics::kMaxPageBytes));
}

} // namespace

QString HelpTopics::Topic::reference() const {
    return anchor.isEmpty() ? page : page + u'#' + anchor;
}

HelpTopics::HelpTopics(QString directory)
    : m_directory(std::move(directory)) {}

QString HelpTopics::installedDirectory() {
    const QString fromEnvironment = qEnvironmentVariable("ZEL_HELP_DIR");
    if (!fromEnvironment.isEmpty())
        return QDir(fromEnvironment).absolutePath();
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/zel/help"));
}

void HelpTopics::scan() const {
    if (m_scanned)
        return;
    m_scanned = true;
    const QDir dir(m_directory);
    const QString contents = readPage(dir.filePath(QString::fromLatin1(kContentsPage)));
    if (contents.isEmpty()) {
        m_scanError = QStringLiteral("As páginas de ajuda não foram encontradas em %1. "
                                     "Verifique a instalação do programa.")
                          .arg(QDir::toNativeSeparators(m_directory));
        return;
    }
    static const QRegularExpression meta(
        QStringLiteral("<meta\\s+name=\"zel-help-file\"\\s+content=\"([^\"]*)\""));
    for (auto it = meta.globalMatch(contents); it.hasNext();) {
        for (const QString& name : it.next().captured(1).split(u',', Qt::SkipEmptyParts))
            m_helpFiles << name.trimmed();
    }

    static const QRegularExpression anchor(QStringLiteral("\\bid=\"ctx-(\\d{1,9})\""));
    QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    pages = pages.mid(0, kMaxPages);
    for (const QString& page : pages) {
        const QString text = readPage(dir.filePath(page));
        for (auto it = anchor.globalMatch(text); it.hasNext();) {
            const int context = it.next().captured(1).toInt();
            // The first page in name order wins; a test keeps topics unique.
            if (!m_pages.contains(context))
                m_pages.insert(context, page);
        }
    }
}

QStringList HelpTopics::helpFiles() const {
    scan();
    return m_helpFiles;
}

HelpTopics::Topic HelpTopics::contents(const QString& error) const {
    Topic topic;
    topic.error = error;
    if (m_scanError.isEmpty()) {
        topic.page = QString::fromLatin1(kContentsPage);
        topic.path = QDir(m_directory).absoluteFilePath(topic.page);
    }
    return topic;
}

HelpTopics::Topic HelpTopics::resolve(const QString& helpFile, int context) const {
    scan();
    if (!m_scanError.isEmpty())
        return contents(m_scanError);
    if (helpFile.trimmed().isEmpty())
        return contents(QStringLiteral("Esta janela não indica um arquivo de ajuda."));
    if (!m_helpFiles.contains(helpFile.trimmed(), Qt::CaseInsensitive))
        return contents(QStringLiteral("O arquivo de ajuda %1 não faz parte desta instalação.")
                            .arg(helpFile.trimmed()));
    if (context == 0)
        return contents(QString());
    const auto page = m_pages.constFind(context);
    if (page == m_pages.constEnd())
        return contents(QStringLiteral("Não há página de ajuda para o contexto %1 de %2.")
                            .arg(context)
                            .arg(helpFile.trimmed()));
    Topic topic;
    topic.page = *page;
    topic.path = QDir(m_directory).absoluteFilePath(*page);
    topic.anchor = QStringLiteral("ctx-%1").arg(context);
    return topic;
}
