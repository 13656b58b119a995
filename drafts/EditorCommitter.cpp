#include "EditorCommitter.h"

#include "DraftEditor.h"
#include "DraftsLog.h"

EditorCommitter::EditorCommitter(Readers readers, QObject* parent)
    : QObject(parent), m_readers(std::move(readers))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(defaultTimeout);
    connect(&m_timer, &QTimer::timeout, this, &EditorCommitter::timedOut);
}

EditorCommitter::~EditorCommitter() = default;

std::optional<QString> EditorCommitter::untouchedText(const EditorSlot& slot)
{
    if (slot.changedByUser || slot.loaded.isNull())
        return std::nullopt;
    return slot.loaded;
}

void EditorCommitter::run(const QString& road, Continuation then)
{
    if (m_stopped)
        return;
    m_queue.append({road, std::move(then)});
    if (!m_active)
        drain();
}

QStringList EditorCommitter::queuedRoads() const
{
    QStringList roads;
    for (const Pending& pending : m_queue)
        roads.append(pending.road);
    return roads;
}

void EditorCommitter::stop()
{
    m_stopped = true;
    m_queue.clear();
    m_timer.stop();
    m_active = false;
    ++m_generation;
}

void EditorCommitter::drain()
{
    // A continuation that runs at once comes back here through finish(); the
    // loop, not a nested call, takes the next road.
    if (m_draining)
        return;
    m_draining = true;
    while (!m_stopped && !m_active && !m_queue.isEmpty())
        start();
    m_draining = false;
}

void EditorCommitter::start()
{
    m_current = m_queue.takeFirst();
    m_active = true;
    ++m_generation;
    m_result = Result{m_current.road, {}, {}};
    m_reading = m_readers ? m_readers() : QList<Reader>();
    m_answered = QList<bool>(m_reading.size(), false);

    m_asking = true;
    const quint64 generation = m_generation;
    for (int index = 0; index < m_reading.size() && generation == m_generation; ++index) {
        EditorSlot* slot = m_reading[index].slot;
        if (!slot || !slot->alive() || slot->failed) {
            fallBack(index);
            continue;
        }
        QPointer<EditorCommitter> self(this);
        slot->editor->commitContent([self, generation, index](const QString& text) {
            if (self && self->m_generation == generation)
                self->answer(index, text);
        });
    }
    m_asking = false;
    if (generation != m_generation)
        return; // stopped meanwhile
    if (allAnswered())
        finish();
    else
        m_timer.start();
}

void EditorCommitter::answer(int index, const QString& text)
{
    if (m_answered.value(index, true))
        return;
    m_answered[index] = true;
    const Reader& reader = m_reading[index];
    reader.slot->lastKnown = text;
    reader.slot->handedOver = true;
    m_result.texts.insert(reader.key, untouchedText(*reader.slot).value_or(text));
    if (!m_asking && allAnswered())
        finish();
}

void EditorCommitter::fallBack(int index)
{
    if (m_answered.value(index, true))
        return;
    m_answered[index] = true;
    const Reader& reader = m_reading[index];
    QString text;
    if (reader.slot)
        text = untouchedText(*reader.slot).value_or(reader.slot->lastKnown);
    m_result.texts.insert(reader.key, text);
    m_result.fellBack.append(reader.key);
    qCWarning(lcDrafts) << "an editor gave no content for" << reader.key << "on the road"
                        << m_current.road << "; going on with the content it last handed over";
}

void EditorCommitter::editorFailed(const EditorSlot* slot)
{
    if (!m_active)
        return;
    for (int index = 0; index < m_reading.size(); ++index) {
        if (m_reading[index].slot == slot)
            fallBack(index);
    }
    if (!m_asking && !m_answered.isEmpty() && allAnswered() && m_timer.isActive())
        finish();
}

bool EditorCommitter::isWaitingFor(const EditorSlot* slot) const
{
    if (!m_active)
        return false;
    for (int index = 0; index < m_reading.size(); ++index) {
        if (m_reading[index].slot == slot && !m_answered.value(index, true))
            return true;
    }
    return false;
}

void EditorCommitter::timedOut()
{
    for (int index = 0; index < m_reading.size(); ++index)
        fallBack(index);
    finish();
}

bool EditorCommitter::allAnswered() const
{
    return !m_answered.contains(false);
}

void EditorCommitter::finish()
{
    m_timer.stop();
    ++m_generation; // answers that come later belong to no commit
    const Result result = m_result;
    Pending current = std::move(m_current);
    m_current = {};
    m_reading.clear();
    m_answered.clear();
    if (!result.fellBack.isEmpty())
        emit fellBack(result.road, result.fellBack);
    // Still active while the road goes on, so that what it starts queues behind it.
    if (current.then && !m_stopped)
        current.then(result);
    m_active = false;
    drain();
}
