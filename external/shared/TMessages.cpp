#include "external/shared/TMessages.h"

#include "platform/TApplication.h"
#include "platform/TForm.h"
#include "platform/TPresenter.h"

#include <algorithm>

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

int TMessages::ShowMsg(const QString& key, TMsgDlgType type, int buttons, int helpContext) const {
    TMessageDialog dialog;
    dialog.type = type;
    dialog.text = Msg(key);
    dialog.helpContext = helpContext;
    if (!(buttons & (mbYes | mbNo))) {
        Application().presenter().showMessage(dialog);
        return mrOk;
    }
    dialog.yesCaption = QStringLiteral("Sim");
    dialog.noCaption = QStringLiteral("Não");
    return Application().presenter().askQuestion(dialog) ? mrYes : mrNo;
}

int TMessages::ShowMsgAlertEx(const QString& key, TMsgDlgType type, const QStringList& buttonKeys,
                              int defaultButton, int firstResult, int helpContext) const {
    TMessageDialog dialog;
    dialog.type = type;
    dialog.text = Msg(key);
    dialog.yesCaption = buttonKeys.value(0).isEmpty() ? QString() : Msg(buttonKeys.value(0));
    dialog.noCaption = buttonKeys.value(1).isEmpty() ? QString() : Msg(buttonKeys.value(1));
    // Buttons count from 1 here.
    dialog.defaultButton = std::clamp(defaultButton - 1, 0, 1);
    dialog.helpContext = helpContext;
    const bool yes = Application().presenter().askQuestion(dialog);
    return firstResult + (yes ? 0 : 1);
}
