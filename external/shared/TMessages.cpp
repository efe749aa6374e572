#include "external/shared/TMessages.h"

#include "platform/TApplication.h"
#include "platform/TForm.h"
#include "platform/TPresenter.h"

TMessages::TMessages(TComponent* owner, const QString& name)
    : TComponent(owner) {
    setName(name);
}

void TMessages::setMessages(const QStringList& lines) {
    m_lines = lines;
    m_index.clear();
    for (const QString& line : lines) {
        const qsizetype bar = line.indexOf(u'|');
        if (bar < 0)
            continue;
        const QString key = line.left(bar).trimmed().toLower();
        // The first line of a key wins, as a reader of the table would expect.
        if (!m_index.contains(key))
            m_index.insert(key, line.mid(bar + 1));
    }
}

QString TMessages::Msg(const QString& key) const {
    return m_index.value(key.trimmed().toLower());
}

bool TMessages::contains(const QString& key) const {
    return m_index.contains(key.trimmed().toLower());
}

int TMessages::ShowMsg(const QString& key, TMsgDlgType, int, int) const {
    const bool yes =
        Application().presenter().askYesNo(Msg(key), QStringLiteral("Sim"), QStringLiteral("Não"));
    return yes ? mrYes : mrNo;
}

int TMessages::ShowMsgAlertEx(const QString& key, TMsgDlgType, const QStringList& buttonKeys, int,
                              int firstResult, int) const {
    const QString yesCaption = buttonKeys.value(0).isEmpty() ? QString() : Msg(buttonKeys.value(0));
    const QString noCaption = buttonKeys.value(1).isEmpty() ? QString() : Msg(buttonKeys.value(1));
    const bool yes = Application().presenter().askYesNo(Msg(key), yesCaption, noCaption);
    return firstResult + (yes ? 0 : 1);
}
