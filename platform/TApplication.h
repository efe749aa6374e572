#pragma once

#include "platform/TClock.h"
#include "platform/TComponent.h"
#include "platform/TScreen.h"

#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TForm;
class TPresenter;

// The application object: owns the forms, knows the active and modal forms, runs user actions
// with the platform's error handling, and holds the presenter every form and dialog goes to.
class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Creates a form owned by the application and stores it in `reference`, which is set as
    // soon as the object exists so that OnCreate handlers can already use it. When OnCreate
    // throws, the form is deleted, `reference` is reset to nullptr and the exception goes on.
    template <class T>
    T* createForm(T*& reference) {
        reference = nullptr;
        T* created = new T(this);
        reference = created;
        try {
            runCreate(*created);
        } catch (...) {
            reference = nullptr;
            delete created;
            throw;
        }
        return created;
    }

    std::vector<TForm*> forms() const;
    TForm* mainForm() const { return m_mainForm; }
    void setMainForm(TForm* form) { m_mainForm = form; }
    // The modal form on top, or else the form activated last that is still showing.
    TForm* activeForm() const;
    const std::vector<TForm*>& modalForms() const { return m_modalStack; }

    // Runs a user action (key, click, focus) to its end: EAbort ends it silently, any other
    // exception is shown by handleException. Returns false when an exception ended it.
    // Forms released meanwhile are deleted when the outermost action returns.
    bool runUserAction(const std::function<void()>& action);
    // Shows an exception's message as an error dialog (through OnException when set); the
    // silent abort shows nothing.
    void handleException(const std::exception& error);
    std::function<void(const std::exception& error)> OnException;

    // Lets the presenter catch up, then deletes the forms released by close (caFree) or
    // release(), unless a user action is still running (its handlers may belong to them).
    void processMessages();
    int pendingReleases() const { return int(m_pendingRelease.size()); }

    TPresenter& presenter() const;
    // The presenter is not owned; nullptr puts back the built-in scripted one.
    void setPresenter(TPresenter* presenter);

    // "Cancelar espera" in the wait window: the innermost call waiting on the server stops
    // waiting. Whoever waits sets OnCancelWait for as long as it waits.
    void cancelWait() {
        if (OnCancelWait)
            OnCancelWait();
    }
    std::function<void()> OnCancelWait;

    TScreen& screen() { return m_screen; }
    TClock& clock() { return Clock(); }

    // Bookkeeping called by TForm.
    void formActivated(TForm* form);
    void formHidden(TForm* form);
    void pushModal(TForm* form);
    void popModal(TForm* form);
    void releaseForm(TForm* form);
    void formDestroyed(TForm* form);

private:
    static void runCreate(TForm& form);

    TForm* m_mainForm = nullptr;
    TForm* m_activeForm = nullptr;
    std::vector<TForm*> m_modalStack;
    std::vector<TForm*> m_pendingRelease;
    int m_actionDepth = 0;
    TPresenter* m_presenter = nullptr;
    std::unique_ptr<TPresenter> m_defaultPresenter;
    TScreen m_screen;
};

// The process-wide application object.
TApplication& Application();
