// The table of the keys a blog keeps in its archive.
#pragma once

#include "RecordKey.h"

#include <span>

class Blog;

// The 35 keys of a blog's archive, in their order, each read from the stored
// field (never a lazy default) and written through the blog's setter.
// Entries are not among them: they live in files of their own.
class BlogStoredForm {
public:
    static std::span<const RecordKey<Blog>> keys();
};
