#pragma once

#include "platform/TColor.h"
#include "platform/TComponent.h"
#include "platform/TFont.h"
#include "platform/TShiftState.h"

#include <functional>
#include <QChar>
#include <QString>
#include <vector>

class TWinControl;
class TForm;

// Base of every control: placement in the parent tree, state the view mirrors, and the focus
// and keyboard hooks the form's dispatch calls.
//
// Every setter that changes what the view shows calls changed(), which tells this control's
// observers and its form's observers (so a view can mirror any control from one place).
class TControl : public TComponent {
public:
    using TObserver = std::function<void(TControl& control)>;

    explicit TControl(TComponent* owner = nullptr, TWinControl* parent = nullptr);
    ~TControl() override;

    // Parent tree. setParent appends the control to the parent's children (creation order) and
    // to the end of its tab order.
    TWinControl* parent() const { return m_parent; }
    void setParent(TWinControl* parent);
    // The form this control sits on (itself for a form), or nullptr when not placed on one.
    virtual TForm* form() const;
    // True when `control` is this control or lies inside it.
    virtual bool containsControl(const TControl* control) const { return control == this; }

    bool enabled() const { return m_enabled; }
    // Disabling the control that holds the focus moves the focus to its parent, without events.
    void setEnabled(bool enabled);
    bool visible() const { return m_visible; }
    // Hiding the control that holds the focus moves the focus to its parent, without events.
    void setVisible(bool visible);
    // Visible itself and every container up to the form.
    bool showing() const;

    TColor color() const { return m_color; }
    void setColor(TColor color);
    const TFont& font() const { return m_font; }
    void setFont(const TFont& font);
    const QString& hint() const { return m_hint; }
    void setHint(const QString& hint);

    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void setBounds(int left, int top, int width, int height);
    void setLeft(int left) { setBounds(left, m_top, m_width, m_height); }
    void setTop(int top) { setBounds(m_left, top, m_width, m_height); }
    void setWidth(int width) { setBounds(m_left, m_top, width, m_height); }
    void setHeight(int height) { setBounds(m_left, m_top, m_width, height); }

    // Position among the parent's children when Tab walks them (0 = first).
    int tabOrder() const;
    void setTabOrder(int order);
    bool tabStop() const { return m_tabStop; }
    void setTabStop(bool tabStop);

    // Focus. focusable() says whether this kind of control can hold the focus at all (labels,
    // images and buttons cannot); canFocus() adds enabled and visible up the parent chain.
    virtual bool focusable() const { return true; }
    bool canFocus() const;
    // Runs the form's focus walk to this control. Does nothing, without an error, when the
    // control cannot take the focus. Exceptions from OnExit/OnEnter handlers propagate.
    void setFocus();
    // True when this control is the form's focus position.
    bool focused() const;

    // Notifications the form's focus walk fires. Virtual so that a control can add its own
    // behaviour around the user's handler (a grid ending an edit, for instance).
    virtual void doEnter();
    virtual void doExit();

    // Keyboard hooks the form's key dispatch calls on the active control. keyDown receives
    // every key; a handler sets `key` to 0 to consume it (the form then skips its own Tab
    // handling). keyPress receives a typed character; 0 swallows it.
    virtual void keyDown(int& key, TShiftState shift);
    virtual void keyPress(QChar& key);
    // A click on the control; fires OnClick when enabled.
    virtual void click();

    // Asks the view to redraw the control.
    virtual void repaint();

    // Observers of state changes.
    int addObserver(TObserver observer);
    void removeObserver(int id);
    // Tells the observers (and the form's) that something shown has changed.
    void changed();

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnClick;

protected:
    // A control that leaves the parent tree, is disabled or is hidden gives up the focus.
    void releaseFocus();

private:
    friend class TWinControl;

    TWinControl* m_parent = nullptr;
    bool m_enabled = true;
    bool m_visible = true;
    TColor m_color = clBtnFace;
    TFont m_font;
    QString m_hint;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_tabStop = false;
    std::vector<std::pair<int, TObserver>> m_observers;
    int m_nextObserverId = 1;
};
