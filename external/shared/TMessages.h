#pragma once

#include "platform/TComponent.h"
#include "platform/TMsgDlg.h"

#include <QHash>
#include <QStringList>

// A screen's message table: one line per message, the key and the text split by a
// vertical bar. Steps name keys, never texts; keys are looked up ignoring case.
class TMessages : public TComponent {
public:
    TMessages(TComponent* owner, const QString& name);

    const QStringList& messages() const { return m_lines; }
    void setMessages(const QStringList& lines);

    // The text of `key`, or an empty text when the table has no such key.
    QString Msg(const QString& key) const;
    bool contains(const QString& key) const;

    // Asks the question of `key` in a dialog of `type` with Yes and No buttons: mrYes (6) or
    // mrNo (7). Without mbYes and mbNo in `buttons` it only shows the text (mrOk).
    int ShowMsg(const QString& key, TMsgDlgType type, int buttons, int helpContext) const;

    // Asks the question of `key` in a dialog of `type` with buttons captioned by the texts of
    // `buttonKeys` (first button = yes), `defaultButton` counting from 1. Returns
    // `firstResult` plus the index of the chosen button, so with 10 the second button gives 11.
    int ShowMsgAlertEx(const QString& key, TMsgDlgType type, const QStringList& buttonKeys,
                       int defaultButton, int firstResult, int helpContext) const;

private:
    QStringList m_lines;
    QHash<QString, QString> m_index; // lower-case key -> text
};
