#include "AttachmentRuns.h"

#include <algorithm>

namespace AttachmentRuns {

namespace {

struct Taken {
    qsizetype start;
    qsizetype length;
    qsizetype end() const { return start + length; }
};

// The first occurrence of `key` at or after `from` that overlaps no taken stretch.
qsizetype findFree(const QString& text, const QString& key, const QList<Taken>& taken)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype found = text.indexOf(key, from);
        if (found < 0)
            return -1;
        const auto overlap = std::find_if(taken.begin(), taken.end(), [&](const Taken& t) {
            return found < t.end() && t.start < found + key.size();
        });
        if (overlap == taken.end())
            return found;
        from = overlap->end();
    }
}

} // namespace

Shown shownForm(const QString& stored, const QList<Placement>& attachments)
{
    Shown shown;
    shown.text = stored;
    QList<Taken> taken;
    QList<Run> runs;
    for (const Placement& attachment : attachments) {
        if (attachment.key.isEmpty())
            continue;
        const qsizetype at = findFree(shown.text, attachment.key, taken);
        if (at < 0)
            continue;
        shown.text.replace(at, attachment.key.size(), attachment.markup);
        const qsizetype shift = attachment.markup.size() - attachment.key.size();
        for (Taken& t : taken) {
            if (t.start > at)
                t.start += shift;
        }
        for (Run& run : runs) {
            if (run.start > at)
                run.start += shift;
        }
        taken.append({at, attachment.markup.size()});
        if (attachment.asRun && !attachment.markup.isEmpty())
            runs.append({at, attachment.markup.size(), attachment.key});
        shown.placedKeys.append(attachment.key);
    }
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.start < b.start; });
    shown.runs = runs;
    return shown;
}

Stored storedForm(const QString& shown, const QList<Run>& links,
                  const std::function<bool(const QString& key)>& isAttachment)
{
    Stored stored;
    qsizetype copied = 0;
    for (const Run& link : links) {
        if (link.start < copied || link.end() > shown.size() || link.key.isEmpty() ||
            !isAttachment(link.key))
            continue;
        stored.text += QStringView(shown).sliced(copied, link.start - copied);
        stored.text += link.key;
        stored.collapsedKeys.append(link.key);
        copied = link.end();
    }
    stored.text += QStringView(shown).sliced(copied);
    return stored;
}

} // namespace AttachmentRuns
