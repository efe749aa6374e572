#pragma once

#include "core/Exception.h"

// The silent abort: ends the running step and every step that called it, and is never shown
// to the user. Derives from Exception as the component library's does, so a handler that
// catches Exception must catch EAbort first to let it through.
class EAbort : public Exception {
public:
    EAbort();
};

// Raises the silent abort.
[[noreturn]] void Abort();
