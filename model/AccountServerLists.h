// Merges what an account's refresh brings from the server: its blogs, the user's information and
// the text filters.
#pragma once

#include "Account.h"

// The operations behind Account::listedBlog, processBlogs, processUserInfo
// and processFormats (see Account.h for what each promises). Each merge sets
// the account's list once, so that it is announced once.
class AccountServerLists {
public:
    static std::optional<Account::ListedBlog> listedBlog(const QVariant& item);
    static Account::BlogListMerge processBlogs(Account& account, const QVariantList& list);
    static void processUserInfo(Account& account, const QVariantMap& info);
    static void processFormats(Account& account, const QVariantList& list);
};
