#pragma once

#include <QString>
#include <stdexcept>

// Raised by the scripted presenter when a run meets a dialog nobody prepared an answer for.
// Not an Exception: screen code that catches the platform's exceptions must not swallow it,
// and the user-action dispatch lets it through to the test.
class EUnexpectedDialog : public std::runtime_error {
public:
    explicit EUnexpectedDialog(const QString& description);
};
