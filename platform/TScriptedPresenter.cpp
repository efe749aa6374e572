#include "platform/TScriptedPresenter.h"

#include "platform/EUnexpectedDialog.h"
#include "platform/TApplication.h"
#include "platform/TDataSet.h"
#include "platform/TForm.h"

std::vector<TScriptedPresenter::Record> TScriptedPresenter::records(Kind kind) const {
    std::vector<Record> result;
    for (const Record& record : m_records) {
        if (record.kind == kind)
            result.push_back(record);
    }
    return result;
}

QStringList TScriptedPresenter::errors() const {
    QStringList texts;
    for (const Record& record : records(Kind::Error))
        texts << record.text;
    return texts;
}

QStringList TScriptedPresenter::informations() const {
    QStringList texts;
    for (const Record& record : records(Kind::Information))
        texts << record.text;
    return texts;
}

bool TScriptedPresenter::hasUnexpected() const {
    return !unexpected().isEmpty();
}

QStringList TScriptedPresenter::unexpected() const {
    static const char* const names[] = {"erro",      "informação",    "pergunta",
                                        "pesquisa",  "modal",         "espera",
                                        "progresso", "fim da espera", "ajuda"};
    QStringList list;
    for (const Record& record : m_records) {
        if (record.unexpected)
            list << QStringLiteral("%1: %2").arg(QString::fromUtf8(names[int(record.kind)]),
                                                 record.text.isEmpty() ? record.title
                                                                       : record.text);
    }
    return list;
}

void TScriptedPresenter::clear() {
    m_records.clear();
    m_answers.clear();
    m_lookups.clear();
    m_files.clear();
    m_lastReport.reset();
    m_expected.clear();
    m_modalHandlers.clear();
    m_formEvents.clear();
    onModal = nullptr;
}

void TScriptedPresenter::fail(Record record, const QString& why) {
    record.unexpected = true;
    m_records.push_back(record);
    throw EUnexpectedDialog(why);
}

void TScriptedPresenter::formShown(TForm& form) {
    m_formEvents << QStringLiteral("show %1").arg(form.caption());
}

void TScriptedPresenter::showModal(TForm& form) {
    Record record{Kind::Modal, {}, {}, {}, form.caption()};
    std::function<void(TForm&)> handler;
    if (!m_modalHandlers.empty()) {
        handler = std::move(m_modalHandlers.front());
        m_modalHandlers.pop_front();
    } else if (onModal) {
        handler = onModal;
    } else {
        fail(record, QStringLiteral("Janela modal sem roteiro: %1").arg(form.caption()));
    }
    m_records.push_back(record);
    m_formEvents << QStringLiteral("modal %1").arg(form.caption());
    handler(form);
    if (form.isShowing())
        fail(record, QStringLiteral("Janela modal não foi fechada: %1").arg(form.caption()));
}

void TScriptedPresenter::formRepainted(TForm& form) {
    m_formEvents << QStringLiteral("repaint %1").arg(form.caption());
}

void TScriptedPresenter::formClosed(TForm& form) {
    m_formEvents << QStringLiteral("close %1").arg(form.caption());
}

TScriptedPresenter::Record TScriptedPresenter::dialogRecord(Kind kind,
                                                            const TMessageDialog& dialog) {
    Record record{kind, dialog.text, dialog.yesCaption, dialog.noCaption};
    record.dialogType = dialog.type;
    record.defaultButton = dialog.defaultButton;
    record.helpContext = dialog.helpContext;
    if (const TForm* form = Application().activeForm(); form && form->activeControl())
        record.focus = form->activeControl()->name();
    return record;
}

void TScriptedPresenter::showMessage(const TMessageDialog& dialog) {
    const Kind kind = dialog.type == TMsgDlgType::mtError ? Kind::Error : Kind::Information;
    Record record = dialogRecord(kind, dialog);
    if (!m_expected.empty()) {
        const Expected expected = m_expected.front();
        if (expected.kind != kind || expected.text != dialog.text)
            fail(record,
                 QStringLiteral("Esperado \"%1\", exibido \"%2\"").arg(expected.text, dialog.text));
        m_expected.pop_front();
    } else if (m_strict) {
        fail(record, QStringLiteral("Mensagem não esperada: %1").arg(dialog.text));
    }
    m_records.push_back(record);
}

bool TScriptedPresenter::askQuestion(const TMessageDialog& dialog) {
    Record record = dialogRecord(Kind::Question, dialog);
    if (m_answers.empty())
        fail(record, QStringLiteral("Pergunta sem resposta: %1").arg(dialog.text));
    const bool yes = m_answers.front();
    m_answers.pop_front();
    m_records.push_back(record);
    return yes;
}

void TScriptedPresenter::showHelp(const QString& helpFile, int helpContext) {
    Record record{Kind::Help, {}, {}, {}, helpFile};
    record.helpContext = helpContext;
    m_records.push_back(record);
}

bool TScriptedPresenter::chooseRow(TDataSet& data, const QString& title) {
    Record record{Kind::Lookup, {}, {}, {}, title};
    if (m_lookups.empty())
        fail(record, QStringLiteral("Pesquisa sem escolha: %1").arg(title));
    const int row = m_lookups.front();
    if (row >= data.recordCount())
        fail(record, QStringLiteral("Pesquisa %1 não tem a linha %2").arg(title).arg(row));
    m_lookups.pop_front();
    m_records.push_back(record);
    if (row < 0)
        return false;
    data.setRecNo(row + 1);
    return true;
}

void TScriptedPresenter::waitBegin(int kind) {
    Record record{Kind::WaitBegin};
    record.kindNumber = kind;
    m_records.push_back(record);
}

void TScriptedPresenter::waitProgress(int done, int total, const QString& text) {
    Record record{Kind::WaitProgress, text};
    record.done = done;
    record.total = total;
    m_records.push_back(record);
}

void TScriptedPresenter::waitEnd() {
    m_records.push_back(Record{Kind::WaitEnd});
}

QString TScriptedPresenter::chooseSaveFile(const QString& title, const QString& suggestedName,
                                           const QString&) {
    Record record{Kind::SaveFile, suggestedName, {}, {}, title};
    if (m_files.empty())
        fail(record, QStringLiteral("Arquivo sem resposta: %1").arg(title));
    const QString path = m_files.front();
    m_files.pop_front();
    m_records.push_back(record);
    return path;
}

QString TScriptedPresenter::printReport(const TReport& report, const QString& fileName) {
    Record record{Kind::Report, fileName, {}, {}, report.title};
    record.total = int(report.rows.size());
    m_records.push_back(record);
    m_lastReport = report;
    return m_reportError;
}
