#pragma once

#include <QVariant>
#include <QVariantList>

// The account's blogs from a decoded Atom answer: one blog per collection of
// a service document ("workspaces"), or one blog made of a feed's "links".
// Anything else gives no blogs.
QVariantList atomBlogList(const QVariant& document);
