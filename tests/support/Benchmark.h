#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QProcess;

// Honest timing for the benchmarks: ours and the anchor measured in the same
// run, alternately, several times, reported as min and median.
namespace plumet::test {

// Wall-clock milliseconds of one run of `work`.
double millisecondsOf(const std::function<void()>& work);

struct Timings {
    std::vector<double> runs;
    double min() const;
    double median() const;
};

struct Comparison {
    Timings ours;
    Timings anchor;
};

// Runs the anchor and ours alternately (anchor, ours, anchor, ours, …) so that
// whatever else the machine does falls on both alike. Each callable makes one
// run and returns its time in milliseconds.
Comparison interleaved(int repetitions, const std::function<double()>& ours,
                       const std::function<double()>& anchor);

// Prints both sides' min and median, then
// "RESULT <name> ours=<median> anchor=<median> ratio=<ours/anchor>".
void printComparison(const char* name, const QString& anchorName, const Comparison& comparison);

// A Python 3 process that makes one timed run of its script per request. The
// script reads a line from standard input for each run and answers with the
// milliseconds of that run on a line of its own, timing only the work itself.
class PythonAnchor {
public:
    PythonAnchor(const QString& script, const QStringList& arguments);
    ~PythonAnchor();

    // Why Python gave no time: not installed, failed to start, failed or hung
    // in its script (empty while it answers).
    const QString& problem() const { return m_problem; }
    // Whether there is no python3 at all: the only reason to skip the anchor.
    bool missing() const { return m_missing; }

    // One run; negative when the process failed (problem() says why).
    double run();

private:
    std::unique_ptr<QProcess> m_process;
    QString m_problem;
    bool m_missing = false;
};

// Writes `input` to a private file and compares ours with Python runs of
// `step`, interleaved, after one warm-up run. Python reads the file into
// `data`, runs `setup` once (both with xmlrpc.client imported), then times
// `step` per run. Prints the comparison, or "<name> skipped: <why>" when there
// is no python3. False when Python is there but failed, answered nonsense or
// hung, at any run: a broken anchor is no reason to pass.
bool compareWithPython(const char* name, const QString& anchorName, const char* setup,
                       const char* step, const QByteArray& input, int repetitions,
                       const std::function<double()>& ours);

} // namespace plumet::test
