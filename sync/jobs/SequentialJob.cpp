#include "SequentialJob.h"

SequentialJob::SequentialJob(QObject* parent) : Job(parent) {}

SequentialJob::~SequentialJob() = default;

void SequentialJob::addStep(Job* step)
{
    if (!step)
        return;
    step->setParent(this); // a step that never runs goes with the road
    QPointer<Job> kept(step);
    m_steps.append([kept] { return kept.data(); });
}

void SequentialJob::addStep(StepFactory makeStep)
{
    if (makeStep)
        m_steps.append(std::move(makeStep));
}

void SequentialJob::doStart()
{
    runNext();
}

void SequentialJob::runNext()
{
    while (!m_steps.isEmpty()) {
        Job* step = m_steps.takeFirst()();
        if (!step)
            continue;
        follow(step);
        step->start();
        return;
    }
    succeed();
}

void SequentialJob::follow(Job* step)
{
    m_current = step;
    step->setParent(this);
    connect(step, &Job::finished, this, &SequentialJob::onStepFinished);
    connect(step, &Job::statusChanged, this, &SequentialJob::setStatus);
    connect(step, &Job::subStatusChanged, this, &SequentialJob::setSubStatus);
    connect(step, &Job::progressChanged, this, &SequentialJob::setProgress);
    if (!step->status().isEmpty())
        setStatus(step->status());
}

void SequentialJob::onStepFinished(Job* step)
{
    if (step != m_current)
        return;
    m_current = nullptr;
    step->disconnect(this);
    switch (step->state()) {
    case State::Finished:
        runNext();
        return;
    case State::Failed:
        fail(step->error().value_or(RestError{}));
        return;
    default: // cancelled on its own: the road cannot go on
        cancel();
        return;
    }
}

void SequentialJob::doCancel()
{
    m_steps.clear();
    if (Job* step = m_current) {
        m_current = nullptr;
        step->disconnect(this);
        step->cancel();
    }
}
