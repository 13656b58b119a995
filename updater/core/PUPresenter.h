#pragma once

#include <QString>
#include <functional>

// The questions and alerts of the updater, shown by its window (or answered by
// a test). Each returns at once; the continuation runs once, later.
class PUPresenter {
public:
    virtual ~PUPresenter() = default;

    // A critical sheet with "OK"; `detail` (may be empty) says what went wrong.
    virtual void showFailure(const QString& title, const QString& message, const QString& detail,
                             std::function<void()> dismissed) = 0;

    // "plumet has not quit!" with "Proceed" (true) and "Cancel" (false).
    virtual void askToQuitManually(std::function<void(bool proceed)> answered) = 0;
};
