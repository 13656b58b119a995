#include "PublishHandOver.h"

#include "Account.h"
#include "AlertBox.h"
#include "Blog.h"
#include "Draft.h"
#include "DraftCategories.h"
#include "DraftController.h"
#include "DraftsLog.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryRenderer.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "RVDraftWindow.h"
#include "StringExtensions.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

bool blogWarns(const Blog& blog, const char* name)
{
    return blog.option(QString::fromLatin1(name)).toBool();
}

// Tags count: an empty paragraph is a summary someone wrote.
bool emptyWithoutTags(const QString& text)
{
    return rv::trimHTML(text).isEmpty();
}

void tellNotPublished(const QString& name, const QString& why)
{
    QMessageBox* alert = cutils::makeAlert(QMessageBox::Warning,
                                           localized("Draft", "\"%1\" was not published.")
                                               .arg(name.isEmpty() ? Genetic::untitled() : name),
                                           why, nullptr);
    alert->setObjectName(QStringLiteral("publishCancelled"));
    alert->addButton(localized("AppControl", "OK"), QMessageBox::AcceptRole);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

} // namespace

void PublishHandOver::applyDateRule(Entry& entry, bool changed, bool keepDate)
{
    if (changed && !keepDate && !entry.hasCustomDate() && entry.hasFlag(Entry::LocalOnly))
        entry.setEntryDate(QDateTime::currentDateTime());
}

bool PublishHandOver::summaryRuleApplies(const Entry& entry, bool summaryCheck)
{
    return summaryCheck && entry.hasSummaryAndExtended() > 0 && emptyWithoutTags(entry.summary());
}

void PublishHandOver::applySummaryRule(Entry& entry, bool summaryCheck)
{
    if (summaryRuleApplies(entry, summaryCheck))
        EntryContent(entry).createExcerpt();
}

int PublishHandOver::warningBits(const Entry& entry, bool summaryCheck)
{
    const Blog* blog = dynamic_cast<const Blog*>(entry.parentBlog());
    if (!blog)
        return 0;
    const Account* account = blog->account();
    const PLUMETPluginProtocol* plugin = account ? account->plugin() : nullptr;
    int bits = 0;
    if (plugin && plugin->hasKeywordsField() && blogWarns(*blog, "warnOnKeywords") &&
        entry.keywords().isEmpty())
        bits |= MissingKeywords;
    // A title cleared by the user is stored as the placeholder.
    if (blogWarns(*blog, "warnOnTitle") &&
        (entry.title().isEmpty() || entry.title() == Genetic::untitled()))
        bits |= MissingTitle;
    if (!summaryCheck && blogWarns(*blog, "warnOnSummary") && emptyWithoutTags(entry.summary()))
        bits |= MissingSummary;
    if (!entry.hasFlag(Entry::IsPage) && blogWarns(*blog, "warnOnCategories") &&
        entry.categories().value_or(CategoryList()).isEmpty())
        bits |= MissingCategories;
    return bits;
}

QString PublishHandOver::warningMessage(int bits)
{
    static const std::pair<Warning, const char*> lines[] = {
        {MissingTitle, "A title"},
        {MissingSummary, "A summary"},
        {MissingCategories, "One or more tags or categories"},
        {MissingKeywords, "One or more keywords"},
    };
    QString message = localized("Draft", "This draft is missing content:");
    for (const auto& [bit, line] : lines) {
        if (bits & bit)
            message += QStringLiteral("\n\u00BB ") + QString::fromLatin1(line);
    }
    return message;
}

void PublishHandOver::publish(Draft& draft)
{
    const EntryPtr entry = draft.entry();
    if (!entry || draft.isClosed())
        return;
    UserDefaults& defaults = UserDefaults::sharedInstance();
    const bool keepDate = defaults.value(QStringLiteral("post_date_option")).toBool();
    const bool summaryCheck = defaults.value(QStringLiteral("summary_check")).toBool();

    // The draft committed and compared its editors just before.
    applyDateRule(*entry, draft.needsSave(), keepDate);
    if (!summaryRuleApplies(*entry, summaryCheck)) {
        saveAndCheck(draft, summaryCheck);
        return;
    }
    // The excerpt is made of the formatted text, and a formatter may take many
    // seconds: it runs off the main thread while the draft window waits, disabled
    // so that nothing typed meanwhile is left behind by the closing window.
    RVDraftWindow* window = draft.window();
    if (window)
        window->setEnabled(false);
    const QPointer<Draft> guarded(&draft);
    const std::weak_ptr<Entry> handle = entry;
    EntryRenderer(*entry).formattedTextLater(
        &draft, [guarded, handle, summaryCheck](const QString& formatted) {
            if (!guarded || guarded->isClosed())
                return;
            if (RVDraftWindow* window = guarded->window())
                window->setEnabled(true);
            const EntryPtr entry = handle.lock();
            if (!entry || entry != guarded->entry())
                return;
            EntryContent(*entry).createExcerptFromFormattedText(formatted);
            saveAndCheck(*guarded, summaryCheck);
        });
}

void PublishHandOver::saveAndCheck(Draft& draft, bool summaryCheck)
{
    const EntryPtr entry = draft.entry();
    if (!entry)
        return;
    if (!draft.writeEntry())
        return; // the user was told; the draft stays open with its text
    draft.renewCopy();

    const int bits = warningBits(*entry, summaryCheck);
    if (bits == 0) {
        continuePublish(draft);
        return;
    }
    QMessageBox* sheet = cutils::makeAlert(
        QMessageBox::Warning, warningMessage(bits),
        localized("Draft", "Please indicate how you would like to proceed."), draft.window());
    sheet->setObjectName(QStringLiteral("publishWarnings"));
    // One missing item to a line.
    sheet->setText(
        QStringLiteral("<b>%1</b>")
            .arg(warningMessage(bits).toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"))));
    QPushButton* edit = sheet->addButton(QStringLiteral("Edit draft"), QMessageBox::RejectRole);
    QPushButton* goOn =
        sheet->addButton(QStringLiteral("Continue publish"), QMessageBox::AcceptRole);
    sheet->setDefaultButton(edit);
    sheet->setEscapeButton(edit);
    QPointer<Draft> guarded(&draft);
    draft.showSheet(sheet, [guarded, goOn, bits](QAbstractButton* chosen) {
        if (!guarded)
            return;
        if (chosen == goOn)
            continuePublish(*guarded);
        else if (bits & MissingCategories)
            guarded->categoryList()->focusSearchField();
    });
}

void PublishHandOver::continuePublish(Draft& draft)
{
    const EntryPtr entry = draft.entry();
    if (!entry)
        return;
    const Blog* blog = dynamic_cast<const Blog*>(entry->parentBlog());
    const std::weak_ptr<Entry> handle = entry;
    const QString blogID = blog ? blog->uniqueID() : QString();
    const QString name = entry->displayName();
    QTimer::singleShot(handOverDelay, qApp,
                       [handle, blogID, name] { startPublishing(handle, blogID, name); });
    DraftController::sharedInstance().close(&draft);
}

void PublishHandOver::startPublishing(const std::weak_ptr<Entry>& handle, const QString& blogID,
                                      const QString& name)
{
    const EntryPtr entry = handle.lock();
    const Blog* blog = entry ? dynamic_cast<const Blog*>(entry->parentBlog()) : nullptr;
    if (!entry || !blog || blog->uniqueID() != blogID || !blog->entries().contains(entry)) {
        qCWarning(lcDrafts) << "a post handed to publishing left its blog before it was sent";
        tellNotPublished(name, localized("Draft", "It was deleted or moved to another blog "
                                                  "before publishing began. Open it where it is "
                                                  "now and publish it again."));
        return;
    }
    // The road sets beingPublished once it starts; set before, it refused.
    const bool alreadyPublishing = entry->beingPublished();
    if (!entry->publish()) {
        tellNotPublished(entry->displayName(),
                         alreadyPublishing
                             ? localized("Draft", "It is being published already.")
                             : localized("Draft", "Publishing could not begin: its blog has no "
                                                  "account, or no publishing road is installed."));
    }
}
