#pragma once

#include <QString>

// How an account's refresh ended, as its caller hears it.
struct RefreshEnd {
    enum class Kind { Succeeded, Failed, Cancelled };
    Kind kind = Kind::Succeeded;
    // Failed: why.
    QString message;
    // Succeeded: what the user should still be told (blogs the server no
    // longer lists, and where their drafts were kept); empty when nothing.
    QString notice;

    static RefreshEnd failed(const QString& why) { return {Kind::Failed, why, {}}; }
    bool succeeded() const { return kind == Kind::Succeeded; }
};
