#pragma once

#include "platform/HelpTopics.h"
#include "platform/TScriptedPresenter.h"

#include <deque>
#include <optional>
#include <QString>
#include <QTextStream>

// The presenter of the headless host: prints every dialog as it is shown, so that a run
// reads like a transcript, and keeps the dialogs (errors, information, questions) until the
// script expects them, oldest first. Answers to questions are queued by the script; a
// lookup list is answered only by the lookup command that opened it.
class ScriptPresenter : public TScriptedPresenter {
public:
    struct Dialog {
        QString kind; // "erro", "informação", "pergunta", "aviso"
        QString text;
        int line = 0; // the script line that showed it
    };

    explicit ScriptPresenter(QTextStream& out);

    // The script line now running; dialogs are attributed to it.
    void setCurrentLine(int line) { m_line = line; }

    // The oldest dialog the script has not expected yet, taken off the list.
    std::optional<Dialog> takeDialog();
    const std::deque<Dialog>& pendingDialogs() const { return m_dialogs; }
    // Dialogs shown so far, for telling whether a command showed any.
    int dialogsShown() const { return m_shown; }

    // The choice for the next lookup list: a row from 0, or -1 to cancel.
    void setLookupChoice(int row) { m_lookupChoice = row; }
    // Drops a choice no list took; true when there was one.
    bool dropLookupChoice();

    // The command a line runs, as the transcript shows it.
    void echo(int line, const QString& source);
    // A line of the transcript under the command.
    void note(const QString& text);

    void formShown(TForm& form) override;
    void showModal(TForm& form) override;
    void showMessage(const TMessageDialog& dialog) override;
    bool askQuestion(const TMessageDialog& dialog) override;
    void showHelp(const QString& helpFile, int helpContext) override;
    bool chooseRow(TDataSet& data, const QString& title) override;
    QString chooseSaveFile(const QString& title, const QString& suggestedName,
                           const QString& filter) override;
    // Shows the report in the transcript; a PDF needs the desktop's view.
    QString printReport(const TReport& report, const QString& fileName) override;
    void waitProgress(int done, int total, const QString& text) override;

private:
    void shown(const QString& kind, const QString& text);
    // The dialog's line of the transcript, and its help topic under it when it has one.
    void noteDialog(const QString& kind, const TMessageDialog& dialog, const QString& buttons);

    QTextStream& m_out;
    int m_line = 0;
    int m_shown = 0;
    std::deque<Dialog> m_dialogs;
    std::optional<int> m_lookupChoice;
    HelpTopics m_topics;
};
