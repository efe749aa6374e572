#include "platform/TApplication.h"

#include "core/EAbort.h"
#include "core/Exception.h"
#include "platform/EUnexpectedDialog.h"
#include "platform/TForm.h"
#include "platform/TScriptedPresenter.h"

#include <algorithm>

TApplication::TApplication()
    : m_defaultPresenter(std::make_unique<TScriptedPresenter>()) {}

TApplication::~TApplication() {
    // The installed presenter may already be gone when the process ends.
    m_presenter = nullptr;
    // Forms go now, while the members they report to still exist.
    while (!components().empty())
        delete components().back();
}

void TApplication::runCreate(TForm& form) {
    form.doCreate();
}

std::vector<TForm*> TApplication::forms() const {
    std::vector<TForm*> result;
    for (TComponent* component : components()) {
        if (auto* form = dynamic_cast<TForm*>(component))
            result.push_back(form);
    }
    return result;
}

TForm* TApplication::activeForm() const {
    if (!m_modalStack.empty())
        return m_modalStack.back();
    return m_activeForm;
}

bool TApplication::runUserAction(const std::function<void()>& action) {
    struct Depth {
        int& depth;
        explicit Depth(int& d)
            : depth(d) {
            ++depth;
        }
        ~Depth() { --depth; }
    };
    bool completed = true;
    {
        Depth depth(m_actionDepth);
        try {
            action();
        } catch (const EAbort&) {
            completed = false;
        } catch (const EUnexpectedDialog&) {
            throw;
        } catch (const std::exception& error) {
            completed = false;
            handleException(error);
        }
    }
    if (m_actionDepth == 0)
        processMessages();
    return completed;
}

void TApplication::handleException(const std::exception& error) {
    if (dynamic_cast<const EAbort*>(&error))
        return;
    if (OnException) {
        OnException(error);
        return;
    }
    const auto* platformError = dynamic_cast<const Exception*>(&error);
    presenter().showError(platformError ? platformError->message()
                                        : QString::fromUtf8(error.what()));
}

void TApplication::processMessages() {
    if (m_actionDepth > 0)
        return;
    // A form still inside showModal has its caller on the stack.
    std::vector<TForm*> ready;
    for (TForm* form : m_pendingRelease) {
        if (!form->isModal())
            ready.push_back(form);
    }
    for (TForm* form : ready)
        delete form; // ~TForm takes it off the pending list
}

TPresenter& TApplication::presenter() const {
    return m_presenter ? *m_presenter : *m_defaultPresenter;
}

void TApplication::setPresenter(TPresenter* presenter) {
    m_presenter = presenter;
}

void TApplication::formActivated(TForm* form) {
    m_activeForm = form;
}

void TApplication::formHidden(TForm* form) {
    if (m_activeForm != form)
        return;
    m_activeForm = nullptr;
    // The most recently created form still showing takes over, as the window below would.
    const auto all = forms();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if ((*it)->isShowing()) {
            m_activeForm = *it;
            break;
        }
    }
}

void TApplication::pushModal(TForm* form) {
    m_modalStack.push_back(form);
}

void TApplication::popModal(TForm* form) {
    std::erase(m_modalStack, form);
}

void TApplication::releaseForm(TForm* form) {
    if (std::find(m_pendingRelease.begin(), m_pendingRelease.end(), form) == m_pendingRelease.end())
        m_pendingRelease.push_back(form);
}

void TApplication::formDestroyed(TForm* form) {
    presenter().formDestroying(*form);
    std::erase(m_pendingRelease, form);
    std::erase(m_modalStack, form);
    if (m_activeForm == form)
        m_activeForm = nullptr;
    if (m_mainForm == form)
        m_mainForm = nullptr;
}

TApplication& Application() {
    static TApplication application;
    return application;
}
