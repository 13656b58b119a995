#pragma once

#include <QString>

// What a record may tell the activity row of its running job: the row of the
// list above the records implements it, so the records need not know it.
class JobRow {
public:
    virtual void setStatus(const QString& status) = 0;
    virtual void setSubStatus(const QString& subStatus) = 0;
    // Below 1: the amount of work is unknown; from 1 up: the bar's maximum.
    virtual void setDuration(double duration) = 0;
    virtual void setProgress(double progress) = 0;

protected:
    ~JobRow() = default;
};
