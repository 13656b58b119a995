#pragma once

#include <QtGlobal>
#include <sys/resource.h>

namespace plumet::test {

// A full disk for the tests of writers, without privileges: while it stands, no
// file of this process (on any of its threads) grows past `bytes`; a write that
// would is cut short or fails with "File too large" instead of killing the
// process. The limit it found is put back when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isActive() const { return m_active; }

private:
    rlimit m_saved{};
    bool m_active = false;
};

} // namespace plumet::test
