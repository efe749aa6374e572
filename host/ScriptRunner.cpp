#include "host/ScriptRunner.h"

#include "host/PackageLoader.h"
#include "host/ScriptFailure.h"
#include "host/ScriptPresenter.h"
#include "platform/EUnexpectedDialog.h"
#include "platform/TApplication.h"
#include "platform/TCheckBox.h"
#include "platform/TComboBox.h"
#include "platform/TCustomEdit.h"
#include "platform/TDataSet.h"
#include "platform/TDBEdit.h"
#include "platform/TForm.h"
#include "platform/TGroupBox.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TPage.h"
#include "platform/TPanel.h"
#include "platform/TSpeedButton.h"

#include <algorithm>
#include <exception>
#include <iterator>

struct ScriptRunner::Command {
    const char* name;
    int minArgs;
    int maxArgs;
    // Actions first require every earlier dialog to have been expected.
    bool action;
    void (ScriptRunner::*run)(const ScriptLine& line);
    const char* usage;
};

namespace {

struct Expectation {
    const char* name;
    int args; // after the kind
    const char* usage;
};

const Expectation kExpectations[] = {
    {"message", 1, "expect message \"TEXTO\""},
    {"focus", 1, "expect focus CONTROLE"},
    {"text", 2, "expect text CONTROLE \"TEXTO\""},
    {"enabled", 1, "expect enabled CONTROLE"},
    {"disabled", 1, "expect disabled CONTROLE"},
    {"visible", 1, "expect visible CONTROLE"},
    {"hidden", 1, "expect hidden CONTROLE"},
    {"page", 2, "expect page CONTROLE N"},
    {"rows", 2, "expect rows DATASET N"},
    {"field", 4, "expect field DATASET LINHA CAMPO \"TEXTO\""},
    {"var", 2, "expect var NOME \"TEXTO\""},
    {"call", 3, "expect call MÉTODO ARGUMENTO \"TEXTO\""},
    {"form", 1, "expect form billing|fee|viewer|none"},
};

bool isNumber(const QString& text) {
    bool ok = false;
    text.toInt(&ok);
    return ok;
}

} // namespace

ScriptRunner::ScriptRunner(PackageLoader& package, ScriptPresenter& presenter)
    : m_package(package)
    , m_presenter(presenter) {}

ScriptRunner::~ScriptRunner() {
    m_presenter.onModal = nullptr;
}

const ScriptRunner::Command* ScriptRunner::findCommand(const ScriptLine& line) {
    static const Command commands[] = {
        {"open", 0, 1, true, &ScriptRunner::open, "open [ZEL00100|ZEL00103]"},
        {"type", 2, 2, true, &ScriptRunner::type, "type CONTROLE \"TEXTO\""},
        {"set", 2, 2, true, &ScriptRunner::set, "set CONTROLE \"TEXTO\""},
        {"focus", 1, 1, true, &ScriptRunner::focus, "focus CONTROLE"},
        {"tab", 0, 0, true, &ScriptRunner::tab, "tab"},
        {"shifttab", 0, 0, true, &ScriptRunner::shiftTab, "shifttab"},
        {"click", 1, 1, true, &ScriptRunner::click, "click CONTROLE"},
        {"select", 2, 2, true, &ScriptRunner::select, "select CONTROLE ÍNDICE"},
        {"key", 2, 2, true, &ScriptRunner::key,
         "key CONTROLE space|ctrl+space|tab|shift+tab|enter|esc|up|down|home|end|f1"},
        {"cell", 3, 3, true, &ScriptRunner::cell, "cell GRADE LINHA CAMPO"},
        {"title", 2, 2, true, &ScriptRunner::title, "title GRADE CAMPO"},
        {"lookup", 2, 2, true, &ScriptRunner::lookup, "lookup BOTÃO LINHA|cancel"},
        {"answer", 1, 2, false, &ScriptRunner::answer, "answer yes|no|file \"CAMINHO\""},
        {"close", 0, 0, true, &ScriptRunner::close, "close"},
        {"expect", 1, 5, false, &ScriptRunner::expect, "expect TIPO ..."},
    };
    for (const Command& command : commands) {
        if (line.command == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

void ScriptRunner::checkLine(const ScriptLine& line) {
    const Command* command = findCommand(line);
    if (!command)
        throw ScriptFailure(line.number,
                            QStringLiteral("comando desconhecido: %1").arg(line.command));
    const int count = int(line.args.size());
    auto usage = [&](const char* text) {
        return ScriptFailure(line.number, QStringLiteral("uso: %1").arg(QString::fromUtf8(text)));
    };
    if (count < command->minArgs || count > command->maxArgs)
        throw usage(command->usage);
    if (line.command == QLatin1String("expect")) {
        const QString kind = line.args.first().toLower();
        auto it = std::find_if(std::begin(kExpectations), std::end(kExpectations),
                               [&](const Expectation& e) { return kind == QLatin1String(e.name); });
        if (it == std::end(kExpectations))
            throw ScriptFailure(line.number,
                                QStringLiteral("expectativa desconhecida: %1").arg(kind));
        if (count - 1 != it->args)
            throw usage(it->usage);
        // page, rows, field and call all take their number right after the name.
        const bool numeric = (kind == QLatin1String("page") || kind == QLatin1String("rows") ||
                              kind == QLatin1String("field") || kind == QLatin1String("call"));
        if (numeric && !isNumber(line.args.at(2)))
            throw usage(it->usage);
    } else if (line.command == QLatin1String("answer")) {
        const QString a = line.args.first().toLower();
        const bool file = a == QLatin1String("file");
        if ((a != QLatin1String("yes") && a != QLatin1String("no") && !file) ||
            file != (count == 2))
            throw usage(command->usage);
    } else if (line.command == QLatin1String("open")) {
        const QString screen = count == 1 ? line.args.first().toUpper() : QString();
        if (count == 1 && screen != QLatin1String("ZEL00100") &&
            screen != QLatin1String("ZEL00103"))
            throw usage(command->usage);
    } else if (line.command == QLatin1String("select") || line.command == QLatin1String("cell")) {
        if (!isNumber(line.args.at(1)))
            throw usage(command->usage);
    } else if (line.command == QLatin1String("key")) {
        int key = 0;
        TShiftState shift;
        if (!parseKey(line.args.at(1), &key, &shift))
            throw usage(command->usage);
    } else if (line.command == QLatin1String("lookup")) {
        if (!isNumber(line.args.at(1)) && line.args.at(1).toLower() != QLatin1String("cancel"))
            throw usage(command->usage);
    }
}

void ScriptRunner::check(const Script& script) {
    for (const ScriptLine& line : script.lines())
        checkLine(line);
}

void ScriptRunner::run(const Script& script) {
    check(script);
    m_script = &script;
    m_next = 0;
    m_presenter.onModal = [this](TForm& form) { runModal(form); };
    const auto& lines = script.lines();
    while (m_next < lines.size())
        runLine(lines[m_next++]);
    failOnUnexpectedDialogs();
    if (m_presenter.pendingAnswers() > 0)
        throw ScriptFailure(lines.empty() ? 0 : lines.back().number,
                            QStringLiteral("resposta preparada com answer e não usada: nenhuma "
                                           "pergunta foi feita"));
}

void ScriptRunner::runLine(const ScriptLine& line) {
    struct Current {
        ScriptRunner& runner;
        Current(ScriptRunner& r, int number)
            : runner(r) {
            runner.m_lineStack.push_back(number);
            runner.m_presenter.setCurrentLine(number);
        }
        ~Current() {
            runner.m_lineStack.pop_back();
            runner.m_presenter.setCurrentLine(
                runner.m_lineStack.empty() ? 0 : runner.m_lineStack.back());
        }
    } current(*this, line.number);

    m_presenter.echo(line.number, line.source);
    const Command* command = findCommand(line);
    if (command->action)
        failOnUnexpectedDialogs();
    try {
        (this->*command->run)(line);
    } catch (const EUnexpectedDialog& error) {
        fail(QString::fromUtf8(error.what()));
    } catch (const std::exception& error) {
        // Whatever escaped the user-action dispatch: the script cannot go on.
        fail(QStringLiteral("erro: %1").arg(QString::fromUtf8(error.what())));
    }
}

void ScriptRunner::runModal(TForm& form) {
    const auto& lines = m_script->lines();
    while (form.isShowing()) {
        if (m_next >= lines.size())
            fail(QStringLiteral("o roteiro terminou com a janela modal \"%1\" aberta")
                     .arg(form.caption()));
        runLine(lines[m_next++]);
    }
}

void ScriptRunner::failOnUnexpectedDialogs() {
    const auto& pending = m_presenter.pendingDialogs();
    if (pending.empty())
        return;
    const ScriptPresenter::Dialog& dialog = pending.front();
    throw ScriptFailure(dialog.line,
                        QStringLiteral("mensagem não esperada (%1): \"%2\"; falta expect message")
                            .arg(dialog.kind, dialog.text));
}

void ScriptRunner::fail(const QString& reason) const {
    const int line = m_lineStack.empty() ? 0 : m_lineStack.back();
    throw ScriptFailure(line, reason);
}

TForm& ScriptRunner::activeForm() const {
    TForm* form = Application().activeForm();
    if (!form)
        fail(QStringLiteral("nenhuma janela ativa"));
    return *form;
}

TComponent* ScriptRunner::findNamed(const TComponent& root, const QString& name) {
    for (TComponent* component : root.components()) {
        if (component->name().compare(name, Qt::CaseInsensitive) == 0)
            return component;
    }
    for (TComponent* component : root.components()) {
        if (TComponent* found = findNamed(*component, name))
            return found;
    }
    return nullptr;
}

TControl& ScriptRunner::control(const QString& name) const {
    TForm& form = activeForm();
    auto* found = dynamic_cast<TControl*>(findNamed(form, name));
    if (!found)
        fail(QStringLiteral("controle \"%1\" não encontrado na janela \"%2\"")
                 .arg(name, form.caption()));
    return *found;
}

void ScriptRunner::failNotA(const QString& name, const char* what) const {
    fail(QStringLiteral("\"%1\" não é %2").arg(name, QString::fromUtf8(what)));
}

TDataSet& ScriptRunner::dataSet(const QString& name) const {
    // The active form first; then the other forms, whose datasets a modal screen works on.
    TForm& form = activeForm();
    if (auto* found = dynamic_cast<TDataSet*>(findNamed(form, name)))
        return *found;
    for (TForm* other : Application().forms()) {
        if (auto* found = dynamic_cast<TDataSet*>(findNamed(*other, name)))
            return *found;
    }
    fail(QStringLiteral("conjunto de dados \"%1\" não encontrado").arg(name));
}

int ScriptRunner::number(const QString& text, const char* what) const {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("%1 deve ser um número: \"%2\"").arg(QString::fromUtf8(what), text));
    return value;
}

QString ScriptRunner::controlText(const TControl& control) {
    if (auto* edit = dynamic_cast<const TCustomEdit*>(&control)) {
        auto* masked = dynamic_cast<const TMaskEdit*>(&control);
        if (!masked || masked->editMask().isEmpty())
            return edit->text();
        if (edit->text().trimmed().isEmpty())
            return {};
        QString shown = edit->displayText();
        while (!shown.isEmpty() && shown.back().isSpace())
            shown.chop(1);
        return shown;
    }
    if (auto* c = dynamic_cast<const TSpeedButton*>(&control))
        return c->caption();
    if (auto* c = dynamic_cast<const TLabel*>(&control))
        return c->caption();
    if (auto* c = dynamic_cast<const TCheckBox*>(&control))
        return c->caption();
    if (auto* c = dynamic_cast<const TComboBox*>(&control))
        return c->text();
    if (auto* c = dynamic_cast<const TDBEdit*>(&control))
        return c->text();
    if (auto* c = dynamic_cast<const TForm*>(&control))
        return c->caption();
    if (auto* c = dynamic_cast<const TPage*>(&control))
        return c->caption();
    if (auto* c = dynamic_cast<const TNotebook*>(&control))
        return c->activePage();
    if (auto* c = dynamic_cast<const TGroupBox*>(&control))
        return c->caption();
    if (auto* c = dynamic_cast<const TPanel*>(&control))
        return c->caption();
    return {};
}
