#pragma once

#include <QString>

namespace plumet::test {

// Absolute path of a file under tests/data.
QString testDataPath(const QString& relative);

// Reads a file under tests/data; fails the running test when it is missing.
QByteArray readTestData(const QString& relative);

// Whether a process runs; a zombie waiting for its reaper does not.
bool processAlive(qint64 pid);

} // namespace plumet::test
