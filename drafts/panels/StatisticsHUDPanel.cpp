// The draft window's Word Count panel: paragraphs, lines, words, letters and characters.
#include "StatisticsHUDPanel.h"

#include "Draft.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryRenderer.h"
#include "Localization.h"

#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

StatisticsHUDPanel::StatisticsHUDPanel(Draft& draft, QWidget* parent)
    : QFrame(parent), m_draft(draft), m_counter(std::make_shared<TextStatistics>()),
      m_watcher(new QFutureWatcher<TextCounts>(this))
{
    setObjectName(QStringLiteral("statisticsPanel"));
    auto* title = new QLabel(localized("Draft", "Text Statistics"), this);
    title->setObjectName(QStringLiteral("hudTitle"));
    auto* form = new QFormLayout;
    const char* names[] = {"Paragraphs:", "Lines:", "Words:", "Letters:", "Characters:"};
    for (int i = 0; i < 5; ++i) {
        m_fields[i] = new QLabel(QStringLiteral("..."), this);
        m_fields[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_fields[i]->setMinimumWidth(90);
        m_fields[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(localized("Draft", names[i]), m_fields[i]);
    }
    m_done = new QPushButton(localized("Draft", "Done"), this);
    m_done->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(form);
    layout->addWidget(m_done, 0, Qt::AlignRight);

    connect(m_done, &QPushButton::clicked, this, &StatisticsHUDPanel::done);
    connect(m_watcher, &QFutureWatcher<TextCounts>::finished, this, [this] {
        if (m_hasWaiting) {
            // A newer text came in meanwhile: its numbers are the ones to show.
            m_hasWaiting = false;
            startCount(std::exchange(m_waiting, QString()));
            return;
        }
        showCounts(m_watcher->result());
    });
}

StatisticsHUDPanel::~StatisticsHUDPanel()
{
    // The worker holds its own reference to the counter; nothing waits here.
    m_watcher->disconnect(this);
}

void StatisticsHUDPanel::opened()
{
    for (QLabel* field : m_fields)
        field->setText(QStringLiteral("..."));
}

void StatisticsHUDPanel::recount()
{
    const EntryPtr entry = m_draft.entry();
    if (!entry)
        return;
    const quint64 request = ++m_request;
    // The formatter may be an outside program: it runs off this thread too.
    std::weak_ptr<Entry> weak = entry;
    EntryRenderer(*entry).formattedTextLater(this, [this, weak, request](const QString& text) {
        const EntryPtr current = weak.lock();
        if (!current || request != m_request)
            return;
        QString html = text;
        EntryContent(*current).applyAttachmentMarkup(html);
        startCount(html);
    });
}

void StatisticsHUDPanel::startCount(const QString& html)
{
    if (m_watcher->isRunning()) {
        m_waiting = html;
        m_hasWaiting = true;
        return;
    }
    std::shared_ptr<TextStatistics> counter = m_counter;
    m_watcher->setFuture(QtConcurrent::run([counter, html] { return counter->count(html); }));
}

void StatisticsHUDPanel::showCounts(const TextCounts& counts)
{
    const int numbers[] = {counts.paragraphs, counts.lines, counts.words, counts.letters,
                           counts.characters};
    for (int i = 0; i < 5; ++i)
        m_fields[i]->setText(QLocale().toString(numbers[i]));
    emit counted(counts);
}

QStringList StatisticsHUDPanel::fieldTexts() const
{
    QStringList texts;
    for (const QLabel* field : m_fields)
        texts << field->text();
    return texts;
}

bool StatisticsHUDPanel::isCounting() const
{
    return m_watcher->isRunning() || m_hasWaiting;
}
