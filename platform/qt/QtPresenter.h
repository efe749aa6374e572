#pragma once

#include "platform/TPresenter.h"

#include <QHash>
#include <QMdiArea>
#include <QObject>
#include <QPointer>

#include <functional>

class QEventLoop;

namespace qtview {

class FormView;
class WaitWindow;

// The presenter of the desktop: forms become windows (MDI children in the host's MDI area,
// modal windows over it), dialogs are message boxes and the lookup list, the wait animation
// is the wait window. Installs itself as the application's presenter while it exists.
class QtPresenter : public QObject, public TPresenter {
    Q_OBJECT
public:
    QtPresenter();
    ~QtPresenter() override;

    // MDI children go here; without an area they are ordinary windows.
    void setMdiArea(QMdiArea* area) { m_mdiArea = area; }
    // Parent of dialogs and windows when no form is active.
    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    // The view of a form that has been shown, or nullptr.
    FormView* viewOf(const TForm& form) const { return m_views.value(&form); }
    WaitWindow& waitWindow() const { return *m_wait; }
    // The window dialogs open over: the active form's, else the main window.
    QWidget* dialogParent() const;
    // Shows the focus of the active form.
    void syncActiveFocus();

    void formShown(TForm& form) override;
    void showModal(TForm& form) override;
    void formRepainted(TForm& form) override;
    void formClosed(TForm& form) override;
    void formDestroying(TForm& form) override;
    void cursorChanged(TCursor cursor) override;
    void processEvents() override;

    void showMessage(const TMessageDialog& dialog) override;
    bool askQuestion(const TMessageDialog& dialog) override;
    // Told to whoever shows the help pages.
    void showHelp(const QString& helpFile, int helpContext) override;
    bool chooseRow(TDataSet& data, const QString& title) override;
    QString chooseSaveFile(const QString& title, const QString& suggestedName,
                           const QString& filter) override;
    QString printReport(const TReport& report, const QString& fileName) override;
    // Answers the save-file question instead of the file dialog (tests); the suggested path
    // comes in.
    std::function<QString(const QString& title, const QString& suggestedPath)> saveFileChooser;

    void waitBegin(int kind) override;
    void waitProgress(int done, int total, const QString& text) override;
    void waitEnd() override;

signals:
    // F1 on a screen or in a dialog: the topic `helpContext` of `helpFile`.
    void helpRequested(const QString& helpFile, int helpContext);

private:
    // F1 in a dialog: its own topic, else the one of the screen it opens over.
    std::function<void()> dialogHelp(const TMessageDialog& dialog);
    FormView* ensureView(TForm& form, bool modal);
    void place(FormView& view, TForm& form, bool modal);
    void activate(FormView& view);

    QPointer<QMdiArea> m_mdiArea;
    QPointer<QWidget> m_mainWindow;
    QHash<const TForm*, FormView*> m_views;
    QHash<const TForm*, QEventLoop*> m_modalLoops;
    WaitWindow* m_wait;
    bool m_cursorOverridden = false;
};

} // namespace qtview
