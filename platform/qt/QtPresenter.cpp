#include "platform/qt/QtPresenter.h"

#include "platform/qt/ReportPdf.h"
#include <QDir>
#include <QFileDialog>

#include "platform/qt/ActionQueue.h"
#include "platform/qt/FormView.h"
#include "platform/qt/HelpKeyFilter.h"
#include "platform/qt/LookupDialog.h"
#include "platform/qt/MessageDialogs.h"
#include "platform/qt/ViewStyle.h"
#include "platform/qt/WaitWindow.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"
#include "platform/TScreen.h"

#include <QApplication>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace qtview {

QtPresenter::QtPresenter()
    : m_wait(new WaitWindow) {
    Application().setPresenter(this);
}

QtPresenter::~QtPresenter() {
    if (&Application().presenter() == this)
        Application().setPresenter(nullptr);
    for (FormView* view : m_views) {
        view->detach();
        delete view->frame();
    }
    m_views.clear();
    ActionQueue::instance().clear();
    delete m_wait;
    if (m_cursorOverridden)
        QApplication::restoreOverrideCursor();
}

QWidget* QtPresenter::dialogParent() const {
    if (TForm* active = Application().activeForm()) {
        if (FormView* view = viewOf(*active); view && view->frame()->isVisible())
            return view->frame()->window();
    }
    if (QWidget* window = QApplication::activeWindow())
        return window;
    return m_mainWindow;
}

FormView* QtPresenter::ensureView(TForm& form, bool modal) {
    if (FormView* existing = viewOf(form))
        return existing;
    auto* view = new FormView(form);
    m_views.insert(&form, view);
    connect(view, &FormView::actionDone, this, &QtPresenter::syncActiveFocus);
    place(*view, form, modal);
    return view;
}

void QtPresenter::place(FormView& view, TForm& form, bool modal) {
    if (!modal && form.formStyle() == fsMDIChild && m_mdiArea) {
        QMdiSubWindow* sub = m_mdiArea->addSubWindow(
            &view, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->setOption(QMdiSubWindow::RubberBandResize, false);
        view.setSubWindow(sub);
        return;
    }
    // A window of its own over the main window, with a fixed border.
    QWidget* parent = m_mainWindow ? m_mainWindow.data() : nullptr;
    if (modal && dialogParent())
        parent = dialogParent();
    view.setParent(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                               Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    view.syncForm();
}

void QtPresenter::activate(FormView& view) {
    QWidget* frame = view.frame();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frame)) {
        sub->show();
        if (m_mdiArea)
            m_mdiArea->setActiveSubWindow(sub);
        if (QWidget* top = sub->window())
            ViewStyle::bringToFront(top);
    } else {
        frame->show();
        ViewStyle::bringToFront(frame);
    }
    view.syncAll();
}

void QtPresenter::formShown(TForm& form) {
    FormView* view = ensureView(form, false);
    view->setWindowModality(Qt::NonModal);
    activate(*view);
}

void QtPresenter::showModal(TForm& form) {
    FormView* view = ensureView(form, true);
    if (!view->subWindow())
        view->setWindowModality(Qt::ApplicationModal);
    activate(*view);
    if (!form.isShowing())
        return;
    QEventLoop loop;
    m_modalLoops.insert(&form, &loop);
    loop.exec();
    m_modalLoops.remove(&form);
}

void QtPresenter::formRepainted(TForm& form) {
    if (FormView* view = viewOf(form)) {
        view->syncAll();
        view->update();
    }
}

void QtPresenter::formClosed(TForm& form) {
    if (FormView* view = viewOf(form))
        view->frame()->hide();
    if (QEventLoop* loop = m_modalLoops.value(&form))
        loop->quit();
}

void QtPresenter::formDestroying(TForm& form) {
    if (QEventLoop* loop = m_modalLoops.value(&form))
        loop->quit();
    FormView* view = m_views.take(&form);
    if (!view)
        return;
    view->detach();
    // Later: the view may be delivering the event whose action released the form.
    view->frame()->deleteLater();
}

void QtPresenter::cursorChanged(TCursor cursor) {
    if (cursor == crHourGlass && !m_cursorOverridden) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorOverridden = true;
    } else if (cursor != crHourGlass && m_cursorOverridden) {
        QApplication::restoreOverrideCursor();
        m_cursorOverridden = false;
    }
}

void QtPresenter::processEvents() {
    // Repaints only: user input waits until the running step is over.
    ActionQueue::instance().hold();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ActionQueue::instance().release();
}

void QtPresenter::syncActiveFocus() {
    if (TForm* active = Application().activeForm()) {
        if (FormView* view = viewOf(*active))
            view->syncFocus();
    }
}

std::function<void()> QtPresenter::dialogHelp(const TMessageDialog& dialog) {
    const TForm* form = Application().activeForm();
    const QString file = form ? form->helpFile() : QString();
    const int context = dialog.helpContext != 0 ? dialog.helpContext
                        : form                  ? form->helpContext()
                                                : 0;
    return [this, file, context] { showHelp(file, context); };
}

void QtPresenter::showMessage(const TMessageDialog& dialog) {
    MessageDialogs::showMessage(dialogParent(), dialog, dialogHelp(dialog));
    syncActiveFocus();
}

bool QtPresenter::askQuestion(const TMessageDialog& dialog) {
    const bool yes = MessageDialogs::askQuestion(dialogParent(), dialog, dialogHelp(dialog));
    syncActiveFocus();
    return yes;
}

QString QtPresenter::chooseSaveFile(const QString& title, const QString& suggestedName,
                                    const QString& filter) {
    const QString suggested = QDir::home().filePath(suggestedName);
    if (saveFileChooser)
        return saveFileChooser(title, suggested);
    return QFileDialog::getSaveFileName(dialogParent(), title, suggested, filter);
}

QString QtPresenter::printReport(const TReport& report, const QString& fileName) {
    return ReportPdf::write(report, fileName);
}

void QtPresenter::showHelp(const QString& helpFile, int helpContext) {
    emit helpRequested(helpFile, helpContext);
}

bool QtPresenter::chooseRow(TDataSet& data, const QString& title) {
    LookupDialog dialog(data, title, dialogParent());
    // F1 in the list: the topic of the screen it opens over.
    new HelpKeyFilter(&dialog, dialogHelp(TMessageDialog{}));
    const bool chosen = dialog.choose();
    syncActiveFocus();
    return chosen;
}

void QtPresenter::waitBegin(int kind) {
    if (!m_wait->waiting())
        ActionQueue::instance().hold();
    m_wait->begin(kind, dialogParent());
}

void QtPresenter::waitProgress(int done, int total, const QString& text) {
    m_wait->progress(done, total, text);
}

void QtPresenter::waitEnd() {
    if (!m_wait->waiting())
        return;
    m_wait->end();
    ActionQueue::instance().release();
    syncActiveFocus();
}

} // namespace qtview
