#pragma once

#include "ModelTypes.h"

class Blog;

// The public ping services a blog is offered with one button.
namespace DefaultPings {

// Four services, each titled by its domain, with its XML-RPC ping address.
PingList services();

// Puts new records of services() in front of the blog's ping list; what was
// there stays, duplicates included.
void addTo(Blog& blog);

} // namespace DefaultPings
