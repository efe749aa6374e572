#pragma once

#include "core/Exception.h"

#include <QString>

// A method's failure: the text goes to the client exactly as given (the screens parse it).
// Any other exception out of a method is a fault whose text the client never sees, so a
// handler that tells the two apart must catch ServerFailure before Exception.
class ServerFailure : public Exception {
public:
    explicit ServerFailure(const QString& text)
        : Exception(text) {}

    // The text for the client: the message.
    const QString& text() const { return message(); }
};
