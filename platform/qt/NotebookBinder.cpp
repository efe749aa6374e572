#include "platform/qt/NotebookBinder.h"

#include "platform/TNotebook.h"

#include <QStackedWidget>

namespace qtview {

NotebookBinder::NotebookBinder(FormView& view, TNotebook& notebook, QWidget* parent)
    : ControlBinder(view, notebook, new QStackedWidget(parent)) {}

QStackedWidget* NotebookBinder::stack() const {
    return static_cast<QStackedWidget*>(widget());
}

QWidget* NotebookBinder::childParent(const TControl&) const {
    return widget();
}

void NotebookBinder::addPage(QWidget* page) {
    stack()->addWidget(page);
}

void NotebookBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    const int index = static_cast<const TNotebook&>(control()).pageIndex();
    if (index >= 0 && index < stack()->count() && stack()->currentIndex() != index)
        stack()->setCurrentIndex(index);
}

} // namespace qtview
