#pragma once

#include "ModelTypes.h"

#include <QString>

class Draft;
class Entry;

// The draft window's Publish, once the editors are in the entry: the date and
// excerpt rules of the preferences, the entry saved, the blog's warnings
// checked (a sheet asks when something is missing), then the draft closes and
// the entry goes to the publishing road a moment later.
//
// The entry is held weakly over that moment: should it leave its blog
// meanwhile (deleted, moved to another blog), nothing stale is published and
// the user is told.
class PublishHandOver {
public:
    // The warning bits, in the order the message lists them.
    enum Warning {
        MissingTitle = 1,
        MissingCategories = 2,
        MissingKeywords = 4,
        MissingSummary = 8
    };
    static constexpr int handOverDelay = 100; // ms between the closing window and the road

    // The hook of the draft window (DraftExtensions::publish); the program
    // installs it together with the publishing road (ServerRoads).
    static void publish(Draft& draft);

    // "post_date_option" NO: a local post without a date of its own that
    // changed gets the current date.
    static void applyDateRule(Entry& entry, bool changed, bool keepDate);
    // "summary_check" YES: an empty summary of a blog system with an extended
    // or summary field is filled with an excerpt of the text.
    static void applySummaryRule(Entry& entry, bool summaryCheck);
    static bool summaryRuleApplies(const Entry& entry, bool summaryCheck);
    // What the blog's warnings find missing.
    static int warningBits(const Entry& entry, bool summaryCheck);
    // "This draft is missing content:" and one "» " line per bit.
    static QString warningMessage(int bits);

private:
    // The entry saved, then the blog's warnings asked about or the hand-over.
    static void saveAndCheck(Draft& draft, bool summaryCheck);
    static void continuePublish(Draft& draft);
    static void startPublishing(const std::weak_ptr<Entry>& handle, const QString& blogID,
                                const QString& name);
};
