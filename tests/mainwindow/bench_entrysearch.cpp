#include "Benchmark.h"
#include "Blog.h"
#include "EntriesPane.h"
#include "Entry.h"
#include "EntryArrayController.h"
#include "EntryListModel.h"
#include "RVEntriesView.h"
#include "UserDefaults.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// Typing a six-letter search into the entries table of a blog with 10,000
// entries, one key at a time, each key filtering and the table redrawn;
// against a bare loop over the same titles and texts doing the same
// lower-case substring test for each key, in the same run, turn about.
class bench_EntrySearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void searchTenThousand();

private:
    static constexpr int Entries = 10000;
    static constexpr int Rounds = 11;
    static constexpr auto Word = "garden";

    double oursOnce();
    double anchorOnce();

    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<Blog> m_blog;
    std::unique_ptr<EntryListModel> m_entries;
    std::unique_ptr<EntriesPane> m_pane;
    int m_lastMatches = -1;
};

void bench_EntrySearch::initTestCase()
{
    const QStringList words{"the",    "morning", "bread",  "river",   "walk",  "market", "notes",
                            "winter", "seeds",   "light",  "kitchen", "paper", "diary",  "again",
                            "spring", "soup",    "herons", "bridge",  "dusk",  "apples", "rows"};
    QRandomGenerator random(2024);
    QList<EntryPtr> entries;
    entries.reserve(Entries);
    for (int i = 0; i < Entries; ++i) {
        QString body;
        // About 1.5 KB of paragraphs; one entry in twenty mentions the garden.
        for (int p = 0; p < 6; ++p) {
            body += QStringLiteral("<p>");
            for (int w = 0; w < 40; ++w)
                body += words[random.bounded(int(words.size()))] + QLatin1Char(' ');
            body += QStringLiteral("</p>\n");
        }
        if (i % 20 == 0)
            body += QStringLiteral("<p>Planted the Garden today.</p>");
        EntryPtr entry = Entry::create();
        entry->setTitle(QStringLiteral("%1 %2 no. %3")
                            .arg(words[random.bounded(int(words.size()))],
                                 words[random.bounded(int(words.size()))])
                            .arg(i));
        entry->setBody(body);
        entry->setKeywords(words[random.bounded(int(words.size()))]);
        entry->setEntryDate(QDateTime::currentDateTime().addSecs(-60 * i));
        entries.append(entry);
    }
    m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("bench.conf")));
    m_blog = std::make_unique<Blog>();
    m_blog->setEntries(entries);
    m_entries = std::make_unique<EntryListModel>();
    m_pane = std::make_unique<EntriesPane>(m_entries.get(), nullptr, m_defaults.get());
    m_entries->setBlogs({m_blog.get()});
    m_pane->resize(700, 600);
    m_pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pane.get()));
    QCOMPARE(m_pane->arranged()->rowCount(), Entries);
}

void bench_EntrySearch::cleanupTestCase()
{
    m_pane.reset();
    m_entries.reset();
    m_blog.reset();
}

double bench_EntrySearch::oursOnce()
{
    QLineEdit* field = m_pane->searchField();
    field->clear();
    QCoreApplication::processEvents();
    RVEntriesView* view = m_pane->view();
    const QString word = QString::fromLatin1(Word);
    const double ms = plumet::test::millisecondsOf([&] {
        for (const QChar key : word) {
            QTest::keyClick(field, key.toLatin1());
            view->viewport()->repaint();
        }
    });
    m_lastMatches = m_pane->arranged()->rowCount();
    return ms / word.size();
}

double bench_EntrySearch::anchorOnce()
{
    const QList<EntryPtr> entries = m_blog->entries();
    const QString word = QString::fromLatin1(Word);
    int matches = 0;
    const double ms = plumet::test::millisecondsOf([&] {
        for (qsizetype typed = 1; typed <= word.size(); ++typed) {
            const QString needle = word.left(typed).toLower();
            matches = 0;
            for (const EntryPtr& entry : entries) {
                if (entry->title().toLower().contains(needle) ||
                    entry->body().toLower().contains(needle) ||
                    entry->extended().toLower().contains(needle) ||
                    entry->summary().toLower().contains(needle) ||
                    entry->keywords().toLower().contains(needle))
                    ++matches;
            }
        }
    });
    if (m_lastMatches >= 0 && matches != m_lastMatches)
        qFatal("the table kept %d entries, the loop found %d", m_lastMatches, matches);
    return ms / word.size();
}

void bench_EntrySearch::searchTenThousand()
{
    oursOnce();
    anchorOnce();
    const plumet::test::Comparison comparison = plumet::test::interleaved(
        Rounds, [this] { return oursOnce(); }, [this] { return anchorOnce(); });
    plumet::test::printComparison(
        "entries_search_10k",
        QStringLiteral("a bare loop over the 10,000 entries' texts, lower-cased and searched, per "
                       "key"),
        comparison);
    QCOMPARE(m_lastMatches, Entries / 20);
}

QTEST_MAIN(bench_EntrySearch)
#include "bench_entrysearch.moc"
