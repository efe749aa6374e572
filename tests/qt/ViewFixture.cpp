#include "ViewFixture.h"

#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormView.h"
#include "platform/qt/WaitWindow.h"

void ViewFixture::SetUp() {
    presenter = std::make_unique<qtview::QtPresenter>();
    presenter->waitWindow().setShowDelay(0);
    form = std::make_unique<TForm>();
    form->setName(QStringLiteral("frmTeste"));
    form->setCaption(QStringLiteral("Teste"));
    form->setClientSize(420, 300);
    form->setBorderStyle(bsSingle);
}

void ViewFixture::TearDown() {
    gui::settle();
    form.reset();
    gui::settle();
    presenter.reset();
}

void ViewFixture::show() {
    form->show();
    gui::settle();
}

qtview::FormView* ViewFixture::view() const {
    return presenter->viewOf(*form);
}

QWidget* ViewFixture::widgetOf(const TControl* control) const {
    qtview::ControlBinder* binder = view() ? view()->binder(control) : nullptr;
    return binder ? binder->widget() : nullptr;
}
