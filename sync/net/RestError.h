#pragma once

#include <QString>

// What a failed HTTP exchange tells its caller: a numeric code (the URL-loading
// error codes of the wire format callers already know, e.g. -1000 for a missing
// page) and a sentence for the user.
struct RestError {
    int code = 0;
    QString message;
};
