#pragma once

#include <QHash>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class TControl;
class TForm;

namespace qtview {

class ControlBinder;

// The client area of one model form: its widgets, built from the control tree, and the
// binders that keep them in step. It also carries the form's window behaviour: the caption,
// the fixed client size, closing through the model and the focus shown where the model has
// it. The window is the view itself or, for an MDI child, the sub-window holding it.
class FormView : public QWidget {
    Q_OBJECT
public:
    explicit FormView(TForm& form, QWidget* parent = nullptr);
    ~FormView() override;

    // nullptr once the form is gone.
    TForm* form() const { return m_form; }
    ControlBinder* binder(const TControl* control) const { return m_binders.value(control); }
    // The binder whose control has this name (letter case ignored), for tests and tools.
    ControlBinder* binder(const QString& controlName) const;
    // The widget of the named control, or nullptr.
    QWidget* widgetOf(const QString& controlName) const;

    // The window that shows the view: the sub-window once placed in an MDI area.
    QWidget* frame() const;
    void setSubWindow(QMdiSubWindow* subWindow);
    QMdiSubWindow* subWindow() const { return m_subWindow; }

    void registerBinder(std::unique_ptr<ControlBinder> binder);

    // Mirrors the whole form (after building, or when it is shown again).
    void syncAll();
    void syncForm();
    // Puts the Qt focus where the model has it, when this form is the active one.
    void syncFocus();

    // Queues a user action on this form. It runs only while the view and its form exist and
    // the form is not covered by a modal form; afterwards the focus is synchronised.
    void postAction(std::function<void()> action);

    // The form is being destroyed: drop every reference to the model and hide.
    void detach();

signals:
    // A queued action on this form has run; the presenter then shows the focus of whichever
    // form is active now.
    void actionDone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void controlChanged(TControl& control);
    void requestClose();
    bool dispatchKey(ControlBinder* binder, QEvent* event);

public:
    // Delivers a key to the widget itself, past the filter (caret keys of line edits).
    void passKey(QWidget* widget, const QKeyEvent& event);

    TForm* m_form;
    int m_observer = 0;
    std::vector<std::unique_ptr<ControlBinder>> m_ownedBinders;
    QHash<const TControl*, ControlBinder*> m_binders;
    QHash<QObject*, ControlBinder*> m_inputOwners;
    QPointer<QMdiSubWindow> m_subWindow;
    bool m_passKeys = false;
};

} // namespace qtview
