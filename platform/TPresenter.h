#pragma once

#include "platform/TMessageDialog.h"

#include <QString>

class TForm;
class TDataSet;
struct TReport;
enum TCursor : int;

// What the platform asks of a user interface: it is told about forms and answers the dialog
// services. The Qt view implements it with real windows; headless runs use a scripted one.
// Modal calls block the caller and return the answer.
class TPresenter {
public:
    virtual ~TPresenter() = default;

    // Forms. showModal returns once the form has closed (TForm::isShowing() false).
    virtual void formShown(TForm& form) = 0;
    virtual void showModal(TForm& form) = 0;
    virtual void formRepainted(TForm& form) = 0;
    virtual void formClosed(TForm& form) = 0;
    // The form is about to be deleted: drop every reference to it.
    virtual void formDestroying(TForm&) {}
    virtual void cursorChanged(TCursor) {}
    // Application::processMessages: let the user interface catch up (repaint). Headless: nothing.
    virtual void processEvents() {}

    // Dialogs. A message has one OK button; a question has two and answers true for the
    // first.
    virtual void showMessage(const TMessageDialog& dialog) = 0;
    virtual bool askQuestion(const TMessageDialog& dialog) = 0;
    // The shapes most callers need: an error, an information, a confirmation with Yes first.
    void showError(const QString& text);
    void showInformation(const QString& text, int helpContext = 0);
    bool askYesNo(const QString& text, const QString& yesCaption, const QString& noCaption);
    // F1 on a screen or in a dialog: the topic `helpContext` of `helpFile` (0: its contents).
    virtual void showHelp(const QString& helpFile, int helpContext) = 0;
    // The lookup list: positions `data` on the chosen row and returns true, or false when the
    // user cancels.
    virtual bool chooseRow(TDataSet& data, const QString& title) = 0;
    // Where to write a file the user asked for: the chosen path, or empty when cancelled.
    // `filter` names the kind, as "Arquivos CSV (*.csv)".
    virtual QString chooseSaveFile(const QString& title, const QString& suggestedName,
                                   const QString& filter) = 0;
    // Renders `report` as a PDF file; the reason in Portuguese when it could not, else empty.
    virtual QString printReport(const TReport& report, const QString& fileName) = 0;

    // Wait animation around long calls; progress only when the server reports it.
    virtual void waitBegin(int kind) = 0;
    virtual void waitProgress(int done, int total, const QString& text) = 0;
    virtual void waitEnd() = 0;
};
