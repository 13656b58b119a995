#pragma once

#include <QString>

// What an add-on may call back on the draft that started it.
class PLUMETAddonHost {
public:
    virtual ~PLUMETAddonHost() = default;

    // Ends the add-on's sheet; a non-null text replaces the draft's selection.
    virtual void addonFinished(const QString& html) = 0;
};
