#pragma once

#include "InstalledService.h"
#include "ModelTypes.h"

class Blog;

// The server roads as the records reach them: the jobs install themselves
// here, and until they do no road starts. Each road is one job with one row in
// the activity list. A road an installed implementation does not offer
// answers false: it did not start.
class ServerRoads : public InstalledService<ServerRoads> {
public:
    virtual ~ServerRoads();

    // Sends the entry to its blog's server (uploading its new attachments
    // first), brings the server's copy back, compares it, pings and tells the
    // add-ons. False when the road cannot start: no blog or account, or the
    // entry is being published already.
    virtual bool publish(const EntryPtr& entry);
    // Fetches the blog's recent posts and merges them into its entries (and,
    // where the blog system sends posts without their categories, fetches
    // each listed post's categories after). False when no road started.
    virtual bool retrieveEntries(Blog& blog);
    // Fetches the blog's pages and merges them into its entries.
    virtual bool retrievePages(Blog& blog);
    // Deletes the post or page on its server, then from its blog together
    // with its file. False when no road started.
    virtual bool deleteEntry(const EntryPtr& entry);
};
