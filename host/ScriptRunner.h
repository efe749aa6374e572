#pragma once

#include "host/Script.h"
#include "platform/TShiftState.h"

#include <QString>
#include <vector>

class PackageLoader;
class ScriptPresenter;
class TComponent;
class TControl;
class TDataSet;
class TForm;

// Runs a script of the headless host against the loaded package: each command acts on the
// active form as a user would (through the platform's user-action dispatch, so a silent
// abort ends a step quietly and other errors become error dialogs) or checks what the user
// sees. A modal form takes the following commands until it closes. The first failure raises
// ScriptFailure with the script line: a failed expectation, a dialog nobody expected, a
// question without an answer, a name that does not resolve.
//
// Methods are spread over ScriptRunner.cpp (flow, names), ScriptRunnerActions.cpp and
// ScriptRunnerExpect.cpp.
class ScriptRunner {
public:
    ScriptRunner(PackageLoader& package, ScriptPresenter& presenter);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Checks every command and its arguments before anything runs.
    static void check(const Script& script);
    // Runs the script to its end.
    void run(const Script& script);

    // What a control shows: a caption, an edit's text as displayed (an empty masked
    // field reads empty; trailing blanks dropped), a combo's item, a data-bound field.
    static QString controlText(const TControl& control);

private:
    struct Command;
    static const Command* findCommand(const ScriptLine& line);
    static void checkLine(const ScriptLine& line);
    // "space", "ctrl+space", "tab", "shift+tab", ...; false for an unknown key.
    static bool parseKey(const QString& text, int* key, TShiftState* shift);

    void runLine(const ScriptLine& line);
    void runModal(TForm& form);
    void failOnUnexpectedDialogs();
    [[noreturn]] void fail(const QString& reason) const;

    // Names, resolved on the active form.
    TForm& activeForm() const;
    TControl& control(const QString& name) const;
    template <class T>
    T& controlAs(const QString& name, const char* what) const {
        auto* typed = dynamic_cast<T*>(&control(name));
        if (!typed)
            failNotA(name, what);
        return *typed;
    }
    [[noreturn]] void failNotA(const QString& name, const char* what) const;
    TDataSet& dataSet(const QString& name) const;
    static TComponent* findNamed(const TComponent& root, const QString& name);
    int number(const QString& text, const char* what) const;

    // Actions (ScriptRunnerActions.cpp).
    void open(const ScriptLine& line);
    void type(const ScriptLine& line);
    void set(const ScriptLine& line);
    void focus(const ScriptLine& line);
    void tab(const ScriptLine& line);
    void shiftTab(const ScriptLine& line);
    void click(const ScriptLine& line);
    void select(const ScriptLine& line);
    void key(const ScriptLine& line);
    void cell(const ScriptLine& line);
    void title(const ScriptLine& line);
    void lookup(const ScriptLine& line);
    void answer(const ScriptLine& line);
    void close(const ScriptLine& line);

    // Expectations (ScriptRunnerExpect.cpp).
    void expect(const ScriptLine& line);
    void expectMessage(const QStringList& args);
    void expectFocus(const QStringList& args);
    void expectText(const QStringList& args);
    void expectState(const QString& state, const QStringList& args);
    void expectPage(const QStringList& args);
    void expectRows(const QStringList& args);
    void expectField(const QStringList& args);
    void expectVar(const QStringList& args);
    void expectCall(const QStringList& args);
    void expectForm(const QStringList& args);
    void expectEqual(const QString& what, const QString& expected, const QString& actual) const;

    PackageLoader& m_package;
    ScriptPresenter& m_presenter;
    const Script* m_script = nullptr;
    std::size_t m_next = 0;
    std::vector<int> m_lineStack; // lines running, innermost last (modal forms nest)
};
