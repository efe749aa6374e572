#pragma once

#include "GuiDriver.h"

#include "platform/qt/QtPresenter.h"
#include "platform/TForm.h"

#include <gtest/gtest.h>

#include <memory>

namespace qtview {
class ControlBinder;
class FormView;
} // namespace qtview

// A test with the Qt presenter installed and one form of the test's own making, shown
// through the real view.
class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <class T>
    T* make(const char* name, TWinControl* parent) {
        auto* control = new T(form.get(), parent);
        control->setName(QString::fromLatin1(name));
        return control;
    }
    // Shows the form non-modally and lets the view settle.
    void show();
    qtview::FormView* view() const;
    // The widget of a control, cast to the widget class the test expects.
    template <class W>
    W* widget(const TControl* control) const {
        return qobject_cast<W*>(widgetOf(control));
    }
    QWidget* widgetOf(const TControl* control) const;

    std::unique_ptr<qtview::QtPresenter> presenter;
    std::unique_ptr<TForm> form;
};
