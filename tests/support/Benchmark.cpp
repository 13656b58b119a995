#include "Benchmark.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace plumet::test {

double millisecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double Timings::min() const
{
    return runs.empty() ? 0 : *std::min_element(runs.begin(), runs.end());
}

double Timings::median() const
{
    if (runs.empty())
        return 0;
    std::vector<double> sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

Comparison interleaved(int repetitions, const std::function<double()>& ours,
                       const std::function<double()>& anchor)
{
    Comparison comparison;
    for (int run = 0; run < repetitions; ++run) {
        comparison.anchor.runs.push_back(anchor());
        comparison.ours.runs.push_back(ours());
    }
    return comparison;
}

void printComparison(const char* name, const QString& anchorName, const Comparison& comparison)
{
    const Timings& ours = comparison.ours;
    const Timings& anchor = comparison.anchor;
    std::printf("%s: %zu interleaved runs each\n", name, ours.runs.size());
    std::printf("  ours:   min %.2f ms, median %.2f ms\n", ours.min(), ours.median());
    std::printf("  anchor: min %.2f ms, median %.2f ms (%s)\n", anchor.min(), anchor.median(),
                qPrintable(anchorName));
    std::printf("  ratio:  min %.2f, median %.2f\n", ours.min() / anchor.min(),
                ours.median() / anchor.median());
    std::printf("RESULT %s ours=%.2f anchor=%.2f ratio=%.2f\n", name, ours.median(),
                anchor.median(), ours.median() / anchor.median());
    std::fflush(stdout);
}

namespace {

// Debian's own interpreter first, whatever else the PATH offers.
QString pythonProgram()
{
    if (QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable())
        return QStringLiteral("/usr/bin/python3");
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

} // namespace

PythonAnchor::PythonAnchor(const QString& script, const QStringList& arguments)
{
    const QString program = pythonProgram();
    if (program.isEmpty()) {
        m_problem = QStringLiteral("python3 is not installed");
        m_missing = true;
        return;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(program, QStringList{QStringLiteral("-c"), script} + arguments);
    if (!m_process->waitForStarted(10000))
        m_problem = QStringLiteral("python3 did not start: ") + m_process->errorString();
}

PythonAnchor::~PythonAnchor()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel();
        if (!m_process->waitForFinished(5000))
            m_process->kill();
        m_process->waitForFinished(1000);
    }
}

double PythonAnchor::run()
{
    if (!m_problem.isEmpty())
        return -1;
    m_process->write("run\n");
    m_process->waitForBytesWritten(5000);
    while (!m_process->canReadLine()) {
        if (!m_process->waitForReadyRead(120000)) {
            m_problem = QStringLiteral("python3 gave no answer: ") + m_process->errorString();
            return -1;
        }
    }
    bool ok = false;
    const double ms = m_process->readLine().trimmed().toDouble(&ok);
    if (!ok) {
        m_problem = QStringLiteral("python3 answered something else than a time");
        return -1;
    }
    return ms;
}

bool compareWithPython(const char* name, const QString& anchorName, const char* setup,
                       const char* step, const QByteArray& input, int repetitions,
                       const std::function<double()>& ours)
{
    const QString script = QStringLiteral("import sys, time, xmlrpc.client\n"
                                          "data = open(sys.argv[1], 'rb').read()\n"
                                          "%1\n"
                                          "for _ in sys.stdin:\n"
                                          "    start = time.perf_counter()\n"
                                          "    %2\n"
                                          "    print('%.3f' % ((time.perf_counter() - start) * "
                                          "1000), flush=True)\n")
                               .arg(QString::fromUtf8(setup), QString::fromUtf8(step));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("input"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size()) {
        std::fprintf(stderr, "%s: cannot write %s\n", name, qPrintable(path));
        return false;
    }
    file.close();
    PythonAnchor python(script, {path});
    python.run(); // the first run pays for starting up
    if (python.missing()) {
        std::printf("%s skipped: %s\n", name, qPrintable(python.problem()));
        return true;
    }
    if (!python.problem().isEmpty()) {
        std::fprintf(stderr, "%s: the Python anchor failed: %s\n", name,
                     qPrintable(python.problem()));
        return false;
    }
    const Comparison comparison =
        interleaved(repetitions, ours, [&python] { return python.run(); });
    if (!python.problem().isEmpty()) {
        std::fprintf(stderr, "%s: the Python anchor failed: %s\n", name,
                     qPrintable(python.problem()));
        return false;
    }
    printComparison(name, anchorName, comparison);
    return true;
}

} // namespace plumet::test
