#pragma once

#include <memory>

class QWidget;
class TControl;
class TWinControl;

namespace qtview {

class ControlBinder;
class FormView;

// Builds the widgets of any form from its control tree: one binder per control, chosen by
// the control's class, placed in its parent's widget. No screen has view code of its own.
class FormRenderer {
public:
    static void build(FormView& view);
    // The binder for one control, its widget created in `parent`.
    static std::unique_ptr<ControlBinder> createBinder(FormView& view, TControl& control,
                                                       QWidget* parent);

private:
    static void buildChildren(FormView& view, const TWinControl& container,
                              ControlBinder* containerBinder);
};

} // namespace qtview
