#pragma once

#include "platform/TShiftState.h"
#include "platform/TWinControl.h"

#include <functional>
#include <QChar>
#include <QString>
#include <vector>

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStyle { fsNormal, fsMDIChild };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

// A window: the root of a control tree, its single focus position and its life cycle.
//
// The focus position is a control or a container of this form (the form itself when nothing
// has the focus). focusControl() moves it by a walk: exits innermost first, the position
// staying on each control or container while its OnExit runs and moving to the parent after,
// then enters outermost first. A handler that moves the focus supersedes the walk: the nested
// walk starts from the position, never exits again one whose OnExit is running, and so a move
// from a container's OnExit to a control inside it enters only what lies below the container.
// A handler that throws ends the walk and, unless it moved the focus itself, the position
// returns to where the walk began, without events.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner = nullptr);
    ~TForm() override;

    TForm* form() const override { return const_cast<TForm*>(this); }
    bool focusable() const override { return false; }

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);
    int clientWidth() const { return m_clientWidth; }
    int clientHeight() const { return m_clientHeight; }
    void setClientSize(int width, int height);
    TFormBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(TFormBorderStyle style);
    const QString& helpFile() const { return m_helpFile; }
    void setHelpFile(const QString& file) { m_helpFile = file; }
    int helpContext() const { return m_helpContext; }
    void setHelpContext(int context) { m_helpContext = context; }
    TFormStyle formStyle() const { return m_formStyle; }
    void setFormStyle(TFormStyle style);
    TWindowState windowState() const { return m_windowState; }
    void setWindowState(TWindowState state);

    // Focus.
    // The focused control: the focus position, or nullptr when it is the form itself.
    TControl* activeControl() const;
    // Before the form is shown this only records the control that gets the focus on the first
    // activation; on a shown form it runs the focus walk.
    void setActiveControl(TControl* control);
    // The control or container holding the focus (the form itself when nothing has it).
    TControl* focusPosition() const { return m_position; }
    // The focus walk; does nothing when `target` is not on this form or cannot take the focus.
    void focusControl(TControl* target);
    // Tab (forward) or Shift+Tab: the next control in tab order that can take the focus,
    // depth-first over containers, wrapping around. Returns false when there is none.
    bool selectNext(bool forward);
    // The control selectNext would move to, or nullptr.
    TControl* findNextControl(const TControl* from, bool forward) const;

    // Keyboard, as the active control's user sees it (no exception handling: see the user*
    // entry points). keyDown goes to the active control first; an unconsumed Tab then moves
    // the focus and an unconsumed F1 asks for the form's help topic. typeKey goes to the
    // active control's keyPress.
    void keyDown(int& key, TShiftState shift) override;
    void typeKey(QChar key);

    // User actions: run through the application's dispatch, which swallows EAbort silently
    // and shows any other exception as an error. Each returns false when an exception ended it.
    bool userKeyDown(int key, TShiftState shift = {});
    bool userTypeKey(QChar key);
    bool userTypeText(const QString& text);
    // A mouse click into a control: focus first (through the walk) for controls that take it,
    // then the click itself when the focus arrived (or the control never takes the focus).
    bool userClick(TControl& control);
    bool userFocus(TControl& control);

    // Life cycle.
    // Fires OnCreate. TApplication::createForm calls it once the object is constructed.
    void doCreate();
    // Shows the form non-modally; on a shown form brings it to the front and activates it.
    void show();
    // Shows the form modally and returns when it closes, with its modal result.
    TModalResult showModal();
    // Fires OnClose with the default action and carries out the action chosen. caFree hides
    // the form and has the application delete it later, never while a handler is running.
    void close();
    // Deletes the form later, like caFree.
    void release();
    void hide();
    void repaint() override;
    bool isShowing() const { return m_showing; }
    bool isModal() const { return m_modal; }
    TModalResult modalResult() const { return m_modalResult; }
    // A non-zero result closes a modal form.
    void setModalResult(TModalResult result);
    // Runs activation: OnActivate, then, the first time, the focus walk to the initial control.
    void activate();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnActivate;
    std::function<void(TComponent& sender, TCloseAction& action)> OnClose;

    // Called by controls that leave the tree, are disabled or hidden: a focus position inside
    // `control` moves to its parent without events. `destroyed` also forgets every reference.
    void controlLeaving(TControl* control, bool destroyed);

private:
    TControl* pathChild(const TControl* ancestor, const TControl* target) const;
    bool exiting(const TControl* control) const;

    QString m_caption;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    TFormBorderStyle m_borderStyle = bsSizeable;
    QString m_helpFile;
    int m_helpContext = 0;
    TFormStyle m_formStyle = fsNormal;
    TWindowState m_windowState = wsNormal;

    TControl* m_position = nullptr;
    TControl* m_initialControl = nullptr;
    bool m_firstActivation = true;
    unsigned m_focusGeneration = 0;
    std::vector<TControl**> m_walkStarts;
    // Controls and containers whose OnExit is running, outermost walk first.
    std::vector<TControl*> m_exiting;

    bool m_showing = false;
    bool m_modal = false;
    bool m_closing = false;
    bool m_released = false;
    TModalResult m_modalResult = mrNone;
};
