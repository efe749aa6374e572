#include "host/ScriptPresenter.h"

#include "platform/TDataSet.h"
#include "platform/TField.h"
#include "platform/TForm.h"

#include <QStringList>

ScriptPresenter::ScriptPresenter(QTextStream& out)
    : m_out(out)
    , m_topics(HelpTopics::installedDirectory()) {}

std::optional<ScriptPresenter::Dialog> ScriptPresenter::takeDialog() {
    if (m_dialogs.empty())
        return std::nullopt;
    Dialog dialog = m_dialogs.front();
    m_dialogs.pop_front();
    return dialog;
}

bool ScriptPresenter::dropLookupChoice() {
    const bool had = m_lookupChoice.has_value();
    m_lookupChoice.reset();
    return had;
}

void ScriptPresenter::echo(int line, const QString& source) {
    m_out << QStringLiteral("%1> ").arg(line, 4) << source << '\n';
    m_out.flush();
}

void ScriptPresenter::note(const QString& text) {
    m_out << "      " << text << '\n';
    m_out.flush();
}

void ScriptPresenter::shown(const QString& kind, const QString& text) {
    ++m_shown;
    m_dialogs.push_back({kind, text, m_line});
}

void ScriptPresenter::formShown(TForm& form) {
    note(QStringLiteral("[janela] %1").arg(form.caption()));
    TScriptedPresenter::formShown(form);
}

void ScriptPresenter::showModal(TForm& form) {
    note(QStringLiteral("[janela modal] %1").arg(form.caption()));
    TScriptedPresenter::showModal(form);
    note(QStringLiteral("[janela fechada] %1").arg(form.caption()));
}

namespace {
// The transcript's name of a dialog kind.
QString kindName(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::mtError:
        return QStringLiteral("erro");
    case TMsgDlgType::mtConfirmation:
        return QStringLiteral("pergunta");
    case TMsgDlgType::mtWarning:
        return QStringLiteral("aviso");
    case TMsgDlgType::mtInformation:
    case TMsgDlgType::mtCustom:
        break;
    }
    return QStringLiteral("informação");
}
} // namespace

void ScriptPresenter::noteDialog(const QString& kind, const TMessageDialog& dialog,
                                 const QString& buttons) {
    note(QStringLiteral("[%1] %2%3").arg(kind, dialog.text, buttons));
    if (dialog.helpContext != 0)
        note(QStringLiteral("    ajuda: contexto %1").arg(dialog.helpContext));
}

void ScriptPresenter::showMessage(const TMessageDialog& dialog) {
    const QString kind = kindName(dialog.type);
    noteDialog(kind, dialog, QString());
    shown(kind, dialog.text);
    TScriptedPresenter::showMessage(dialog);
}

bool ScriptPresenter::askQuestion(const TMessageDialog& dialog) {
    const QString kind = kindName(dialog.type);
    noteDialog(kind, dialog, QStringLiteral(" (%1/%2)").arg(dialog.yesCaption, dialog.noCaption));
    const bool yes = TScriptedPresenter::askQuestion(dialog);
    note(QStringLiteral("    resposta: %1").arg(yes ? dialog.yesCaption : dialog.noCaption));
    shown(kind, dialog.text);
    return yes;
}

void ScriptPresenter::showHelp(const QString& helpFile, int helpContext) {
    // The page the desktop would open, or why there is none.
    const HelpTopics::Topic topic = m_topics.resolve(helpFile, helpContext);
    note(QStringLiteral("[ajuda] %1, contexto %2: %3")
             .arg(helpFile)
             .arg(helpContext)
             .arg(topic.found() ? topic.reference() : topic.error));
    TScriptedPresenter::showHelp(helpFile, helpContext);
}

bool ScriptPresenter::chooseRow(TDataSet& data, const QString& title) {
    note(QStringLiteral("[pesquisa] %1 (%2 linhas)").arg(title).arg(data.recordCount()));
    if (m_lookupChoice) {
        if (*m_lookupChoice < 0)
            cancelLookup();
        else
            chooseRowIndex(*m_lookupChoice);
        m_lookupChoice.reset();
    }
    const bool chosen = TScriptedPresenter::chooseRow(data, title);
    if (!chosen) {
        note(QStringLiteral("    cancelada"));
        return false;
    }
    QStringList values;
    for (TField* field : data.fields()) {
        if (field->visible())
            values << field->displayText();
    }
    note(QStringLiteral("    linha %1: %2")
             .arg(data.recNo())
             .arg(values.join(QStringLiteral(" | "))));
    return true;
}

void ScriptPresenter::waitProgress(int done, int total, const QString& text) {
    note(QStringLiteral("[progresso] %1/%2 %3").arg(done).arg(total).arg(text));
    TScriptedPresenter::waitProgress(done, total, text);
}

QString ScriptPresenter::chooseSaveFile(const QString& title, const QString& suggestedName,
                                        const QString& filter) {
    note(QStringLiteral("[arquivo] %1 (%2)").arg(title, suggestedName));
    const QString path = TScriptedPresenter::chooseSaveFile(title, suggestedName, filter);
    note(path.isEmpty() ? QStringLiteral("    cancelado") : QStringLiteral("    ") + path);
    return path;
}

QString ScriptPresenter::printReport(const TReport& report, const QString& fileName) {
    note(QStringLiteral("[impressão] %1 (%2 linhas)").arg(report.title).arg(report.rows.size()));
    for (const QString& filter : report.filters)
        note(QStringLiteral("    ") + filter);
    for (const QStringList& row : report.rows)
        note(QStringLiteral("    ") + row.join(QStringLiteral(" | ")));
    for (const QString& total : report.totals)
        note(QStringLiteral("    ") + total);
    TScriptedPresenter::printReport(report, fileName);
    return QStringLiteral("A impressão em PDF só está disponível no zel-host.");
}
