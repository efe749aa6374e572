#pragma once

#include "platform/TColor.h"
#include "platform/TFont.h"

#include <QList>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <optional>

class QMouseEvent;
class TControl;
class TForm;

namespace qtview {

class FormView;
struct KeyInput;

// Mirrors one model control in one widget and forwards what the user does with the widget
// to the model. The model is the authority: widgets never change state on their own (they
// take no focus, edits accept no typing); every change comes back from the model through
// sync().
class ControlBinder {
public:
    ControlBinder(FormView& view, TControl& control, QWidget* widget);
    virtual ~ControlBinder();
    ControlBinder(const ControlBinder&) = delete;
    ControlBinder& operator=(const ControlBinder&) = delete;

    TControl& control() const { return m_control; }
    QWidget* widget() const { return m_widget; }
    FormView& view() const { return m_view; }

    // Mirrors the model: geometry, visibility, enabled state, font, colours, hint, and what
    // the subclass adds.
    virtual void sync();
    // The widget the children of this control are placed in; nullptr for leaf controls.
    virtual QWidget* childParent(const TControl& child) const;
    // Widgets whose mouse and keyboard input belongs to this control.
    virtual QList<QWidget*> inputWidgets() const { return {m_widget.data()}; }
    // The widget that holds the Qt focus while the control holds the model's.
    virtual QWidget* focusWidget() const { return m_widget; }
    // Graphic controls (labels, buttons, images) sit below the windowed ones.
    virtual bool isGraphic() const { return false; }

    // Queued input. A key goes to the form's key dispatch (which moves the focus on Tab).
    virtual void key(const KeyInput& input);
    // Called on a mouse press, before Qt acts on it; true consumes the press. The default
    // consumes a press on a focusable control that is not focused and asks the model for
    // the focus instead.
    virtual bool mousePress(QWidget* target, QMouseEvent& event);

    // The model control is going away: nothing may touch it any more.
    virtual void detach() { m_detached = true; }
    bool detached() const { return m_detached; }

protected:
    TForm& form() const;
    // Whether the model has the focus on this control.
    bool hasModelFocus() const;
    // Queues an action on this control's form; it runs only while the view is alive.
    void post(std::function<void()> action);
    // Runs after the focus arrived through a queued press (caret placement, popups).
    virtual void focusedByClick(QWidget*, const QPoint&) {}

    // Palette roles the model colours go to: the background (Base for entries, Window for
    // containers) and the text.
    virtual QPalette::ColorRole backgroundRole() const { return QPalette::Window; }
    virtual bool fillsBackground() const { return false; }
    void applyPalette();

private:
    FormView& m_view;
    TControl& m_control;
    QPointer<QWidget> m_widget;
    bool m_detached = false;
    std::optional<TFont> m_appliedFont;
    std::optional<TColor> m_appliedColor;
};

} // namespace qtview
