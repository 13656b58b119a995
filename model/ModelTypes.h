#pragma once

#include <QList>
#include <memory>

// Records that several owners may hold at once (a category shared by a blog's list
// and an entry's list, a ping list handed to a copy) are reference counted.
class Attachment;
class Category;
class Entry;
class Format;
class Ping;
class Template;

using AttachmentPtr = std::shared_ptr<Attachment>;
using CategoryPtr = std::shared_ptr<Category>;
using EntryPtr = std::shared_ptr<Entry>;
using FormatPtr = std::shared_ptr<Format>;
using PingPtr = std::shared_ptr<Ping>;
using TemplatePtr = std::shared_ptr<Template>;

using CategoryList = QList<CategoryPtr>;
using PingList = QList<PingPtr>;

// QVariant carries these lists and pointers without a declaration (Qt 6 registers
// any copyable type on first use). Shared pointers match the keyed unarchiver,
// which hands decoded records out as std::shared_ptr.
