#include "host/PackageLoader.h"
#include "host/ScriptFailure.h"
#include "host/ScriptPresenter.h"
#include "host/ScriptRunner.h"

#include "host/computations/Cli_Zel00103.h"
#include "platform/TApplication.h"
#include "platform/TComboBox.h"
#include "platform/TCustomEdit.h"
#include "platform/TDBGrid.h"
#include "platform/TForm.h"
#include "platform/TSpeedButton.h"

bool ScriptRunner::parseKey(const QString& text, int* key, TShiftState* shift) {
    static const QHash<QString, int> keys = {
        {QStringLiteral("space"), VK_SPACE},  {QStringLiteral("tab"), VK_TAB},
        {QStringLiteral("enter"), VK_RETURN}, {QStringLiteral("esc"), VK_ESCAPE},
        {QStringLiteral("up"), VK_UP},        {QStringLiteral("down"), VK_DOWN},
        {QStringLiteral("left"), VK_LEFT},    {QStringLiteral("right"), VK_RIGHT},
        {QStringLiteral("home"), VK_HOME},    {QStringLiteral("end"), VK_END},
        {QStringLiteral("pgup"), VK_PRIOR},   {QStringLiteral("pgdn"), VK_NEXT},
        {QStringLiteral("f1"), VK_F1},
    };
    QStringList parts = text.toLower().split(QLatin1Char('+'));
    const auto it = keys.constFind(parts.takeLast());
    if (it == keys.constEnd())
        return false;
    *shift = {};
    for (const QString& modifier : parts) {
        if (modifier == QLatin1String("shift"))
            shift->shift = true;
        else if (modifier == QLatin1String("ctrl"))
            shift->ctrl = true;
        else if (modifier == QLatin1String("alt"))
            shift->alt = true;
        else
            return false;
    }
    *key = it.value();
    return true;
}

void ScriptRunner::open(const ScriptLine& line) {
    // As the host's menu entries: an exception from the screen becomes an error dialog.
    if (!line.args.isEmpty() && line.args.first().toUpper() == QLatin1String("ZEL00103"))
        Application().runUserAction([] { Cli_Zel00103::CriaConsApur(); });
    else
        Application().runUserAction([&] { m_package.iniProc(); });
}

void ScriptRunner::type(const ScriptLine& line) {
    TForm& form = activeForm();
    auto& edit = controlAs<TCustomEdit>(line.args.at(0), "um campo de texto");
    if (!edit.canFocus())
        fail(QStringLiteral("não é possível digitar em \"%1\": desabilitado ou oculto")
                 .arg(edit.name()));
    // A click into the field: the focus walks there and the click lands; then its text is
    // selected, so that what is typed replaces it.
    form.userClick(edit);
    if (!edit.focused()) {
        m_presenter.note(
            QStringLiteral("(o foco não chegou a %1; nada foi digitado)").arg(edit.name()));
        return;
    }
    edit.selectAll();
    form.userTypeText(line.args.at(1));
}

void ScriptRunner::set(const ScriptLine& line) {
    auto& edit = controlAs<TCustomEdit>(line.args.at(0), "um campo de texto");
    const QString text = line.args.at(1);
    // As the program writes it: no focus move; the change (and a date field's date change)
    // notifications fire.
    Application().runUserAction([&] { edit.setText(text); });
}

void ScriptRunner::focus(const ScriptLine& line) {
    TForm& form = activeForm();
    form.userFocus(control(line.args.at(0)));
}

void ScriptRunner::tab(const ScriptLine&) {
    activeForm().userKeyDown(VK_TAB);
}

void ScriptRunner::shiftTab(const ScriptLine&) {
    activeForm().userKeyDown(VK_TAB, TShiftState{true, false, false});
}

void ScriptRunner::click(const ScriptLine& line) {
    TForm& form = activeForm();
    form.userClick(control(line.args.at(0)));
}

void ScriptRunner::select(const ScriptLine& line) {
    auto& combo = controlAs<TComboBox>(line.args.at(0), "uma caixa de seleção");
    const int index = number(line.args.at(1), "o índice");
    if (index < 0 || index >= combo.items().size())
        fail(QStringLiteral("\"%1\" não tem o item %2 (itens de 0 a %3)")
                 .arg(combo.name())
                 .arg(index)
                 .arg(combo.items().size() - 1));
    Application().runUserAction([&] {
        combo.setFocus();
        if (combo.focused())
            combo.selectItem(index);
    });
}

void ScriptRunner::key(const ScriptLine& line) {
    TForm& form = activeForm();
    TControl& target = control(line.args.at(0));
    int key = 0;
    TShiftState shift;
    parseKey(line.args.at(1), &key, &shift);
    // The control takes the focus first, as a user's click would give it.
    Application().runUserAction([&] {
        target.setFocus();
        if (target.focused())
            form.keyDown(key, shift);
    });
}

void ScriptRunner::cell(const ScriptLine& line) {
    auto& grid = controlAs<TDBGrid>(line.args.at(0), "uma grade");
    const int row = number(line.args.at(1), "a linha");
    const int column = grid.columnIndex(line.args.at(2));
    if (column < 0)
        fail(QStringLiteral("a grade \"%1\" não tem a coluna \"%2\"")
                 .arg(grid.name(), line.args.at(2)));
    if (row < 1)
        fail(QStringLiteral("as linhas contam a partir de 1"));
    grid.userClickCell(row - 1, column);
}

void ScriptRunner::title(const ScriptLine& line) {
    auto& grid = controlAs<TDBGrid>(line.args.at(0), "uma grade");
    const int column = grid.columnIndex(line.args.at(1));
    if (column < 0)
        fail(QStringLiteral("a grade \"%1\" não tem a coluna \"%2\"")
                 .arg(grid.name(), line.args.at(1)));
    grid.userClickTitle(column);
}

void ScriptRunner::lookup(const ScriptLine& line) {
    TForm& form = activeForm();
    auto& button = controlAs<TSpeedButton>(line.args.at(0), "um botão");
    const bool cancel = line.args.at(1).toLower() == QLatin1String("cancel");
    const int row = cancel ? -1 : number(line.args.at(1), "a linha") - 1;
    if (!cancel && row < 0)
        fail(QStringLiteral("as linhas contam a partir de 1"));
    const int dialogsBefore = m_presenter.dialogsShown();
    m_presenter.setLookupChoice(row);
    form.userClick(button);
    // No list was shown: a disabled button, a cancelled search, or an empty one that said so.
    if (m_presenter.dropLookupChoice() && m_presenter.dialogsShown() == dialogsBefore)
        fail(QStringLiteral("a lista de pesquisa de \"%1\" não foi exibida").arg(button.name()));
}

void ScriptRunner::answer(const ScriptLine& line) {
    if (line.args.at(0).toLower() == QLatin1String("file"))
        m_presenter.answerFile(line.args.at(1));
    else if (line.args.at(0).toLower() == QLatin1String("yes"))
        m_presenter.answerYes();
    else
        m_presenter.answerNo();
}

void ScriptRunner::close(const ScriptLine&) {
    TForm& form = activeForm();
    Application().runUserAction([&] { form.close(); });
}
