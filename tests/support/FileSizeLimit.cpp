#include "FileSizeLimit.h"

#include <csignal>

namespace plumet::test {

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    // Ignored, SIGXFSZ turns into EFBIG from the write that crosses the limit.
    std::signal(SIGXFSZ, SIG_IGN);
    if (getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
        return;
    rlimit small = m_saved;
    small.rlim_cur = rlim_t(bytes);
    m_active = setrlimit(RLIMIT_FSIZE, &small) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (m_active)
        setrlimit(RLIMIT_FSIZE, &m_saved);
}

} // namespace plumet::test
