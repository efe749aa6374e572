#include "tests/help/HelpPages.h"

#include "platform/HelpTopics.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

QString decoded(QString text) {
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QStringList attributes(const QString& page, const QString& name) {
    const QRegularExpression attribute(QStringLiteral("\\b%1=\"([^\"]*)\"").arg(name));
    QStringList values;
    for (auto it = attribute.globalMatch(HelpPages::text(page)); it.hasNext();)
        values << decoded(it.next().captured(1));
    return values;
}

} // namespace

QString HelpPages::directory() {
    return HelpTopics::installedDirectory();
}

QStringList HelpPages::pages() {
    return QDir(directory()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

QString HelpPages::text(const QString& page) {
    QFile file(QDir(directory()).filePath(page));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QStringList HelpPages::ids(const QString& page) {
    return attributes(page, QStringLiteral("id"));
}

QStringList HelpPages::links(const QString& page) {
    return attributes(page, QStringLiteral("href"));
}
