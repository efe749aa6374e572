#pragma once

#include "platform/TPresenter.h"
#include "platform/TReport.h"

#include <deque>
#include <functional>
#include <optional>
#include <QString>
#include <QStringList>
#include <vector>

// A presenter without a screen, for tests and scripted runs. It records every dialog in order
// and answers from queues that the caller fills beforehand. A question or lookup with no
// queued answer, a modal form with no handler, or an error/information dialog that differs from
// the one expected is recorded as unexpected and raises EUnexpectedDialog. Errors and
// information that nobody expected are only recorded, unless strict mode is on.
class TScriptedPresenter : public TPresenter {
public:
    enum class Kind {
        Error,
        Information,
        Question,
        Lookup,
        Modal,
        WaitBegin,
        WaitProgress,
        WaitEnd,
        Help,
        SaveFile,
        Report
    };

    struct Record {
        Kind kind;
        QString text;       // message, question, or wait progress text
        QString yesCaption; // questions
        QString noCaption;
        QString title;      // lookups; the form caption for Modal; the help file for Help
        int kindNumber = 0; // wait kind
        int done = 0;       // wait progress
        int total = 0;
        bool unexpected = false;
        // Messages and questions: the kind the step asked for, the button Enter presses, the
        // help topic (also of Help) and the control that held the focus when it was shown.
        TMsgDlgType dialogType = TMsgDlgType::mtInformation;
        int defaultButton = 0;
        int helpContext = 0;
        QString focus;
    };

    // Answers, consumed in order.
    void answerYes() { m_answers.push_back(true); }
    void answerNo() { m_answers.push_back(false); }
    // The lookup chooses row n (0-based) of its dataset.
    void chooseRowIndex(int row) { m_lookups.push_back(row); }
    void cancelLookup() { m_lookups.push_back(-1); }
    // The next save-file question gets this path; an empty one cancels it.
    void answerFile(const QString& path) { m_files.push_back(path); }
    // What printReport answers: empty for a report written.
    void setReportError(const QString& error) { m_reportError = error; }
    // The report printed last.
    const std::optional<TReport>& lastReport() const { return m_lastReport; }
    // The next error (or information) dialog must show exactly this text.
    void expectError(const QString& text) { m_expected.push_back({Kind::Error, text}); }
    void expectInformation(const QString& text) { m_expected.push_back({Kind::Information, text}); }
    // Strict: an error or information dialog with nothing expected is unexpected too.
    void setStrict(bool strict) { m_strict = strict; }

    // Runs while a form is shown modally; must close it. A queued one-shot handler goes first.
    std::function<void(TForm& form)> onModal;
    void pushModal(std::function<void(TForm& form)> handler) {
        m_modalHandlers.push_back(std::move(handler));
    }

    const std::vector<Record>& records() const { return m_records; }
    std::vector<Record> records(Kind kind) const;
    // Texts of the error dialogs shown, in order.
    QStringList errors() const;
    QStringList informations() const;
    bool hasUnexpected() const;
    // Descriptions of the unexpected dialogs, for a test's failure message.
    QStringList unexpected() const;
    // Answers and expectations still waiting for their dialog.
    int pendingAnswers() const {
        return int(m_answers.size() + m_lookups.size() + m_expected.size() + m_files.size());
    }
    void clear();

    // Forms shown and closed, and repaints, in order (by caption).
    const QStringList& formEvents() const { return m_formEvents; }

    void formShown(TForm& form) override;
    void showModal(TForm& form) override;
    void formRepainted(TForm& form) override;
    void formClosed(TForm& form) override;
    void showMessage(const TMessageDialog& dialog) override;
    bool askQuestion(const TMessageDialog& dialog) override;
    void showHelp(const QString& helpFile, int helpContext) override;
    bool chooseRow(TDataSet& data, const QString& title) override;
    QString chooseSaveFile(const QString& title, const QString& suggestedName,
                           const QString& filter) override;
    QString printReport(const TReport& report, const QString& fileName) override;
    void waitBegin(int kind) override;
    void waitProgress(int done, int total, const QString& text) override;
    void waitEnd() override;

private:
    struct Expected {
        Kind kind;
        QString text;
    };

    // The record of a message or question, with the focus of the active form.
    static Record dialogRecord(Kind kind, const TMessageDialog& dialog);
    [[noreturn]] void fail(Record record, const QString& why);

    std::vector<Record> m_records;
    std::deque<bool> m_answers;
    std::deque<int> m_lookups;
    std::deque<QString> m_files;
    QString m_reportError;
    std::optional<TReport> m_lastReport;
    std::deque<Expected> m_expected;
    std::deque<std::function<void(TForm&)>> m_modalHandlers;
    QStringList m_formEvents;
    bool m_strict = false;
};
