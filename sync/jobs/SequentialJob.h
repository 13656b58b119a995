#pragma once

#include "Job.h"

#include <QList>
#include <QPointer>
#include <functional>

// A road of several steps run one after the other: each step starts when the
// one before it has finished well; the first failure ends the whole road with
// that step's error, and cancelling the road cancels the step that runs.
// Written one step to a line where the road is defined:
//
//     auto* road = new SequentialJob;
//     road->addStep(new FetchBlogsJob(account));
//     road->addStep([account] { return new FetchCategoriesJob(account); });
//     road->start();
//
// The road shows the status, sub-status and progress of the step that runs.
class SequentialJob : public Job {
    Q_OBJECT
public:
    // Makes a step when its turn comes, so it can use what earlier steps found;
    // null skips the step.
    using StepFactory = std::function<Job*()>;

    explicit SequentialJob(QObject* parent = nullptr);
    ~SequentialJob() override;

    // The road owns its steps. Steps added while the road runs come after the others.
    void addStep(Job* step);
    void addStep(StepFactory makeStep);

    // The step that runs, or null.
    Job* currentStep() const { return m_current; }

protected:
    void doStart() override;
    void doCancel() override;

private:
    void runNext();
    void onStepFinished(Job* step);
    void follow(Job* step);

    QList<StepFactory> m_steps;
    QPointer<Job> m_current;
};
