#include "store/EarlyWriteback.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace store {

EarlyWriteback::EarlyWriteback(const QString &path)
{
#ifdef Q_OS_LINUX
    // The pages belong to the file, not to a descriptor: one opened for
    // reading reaches those SQLite writes through its own.
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
#else
    Q_UNUSED(path);
#endif
}

EarlyWriteback::~EarlyWriteback()
{
#ifdef Q_OS_LINUX
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

void EarlyWriteback::start()
{
#ifdef Q_OS_LINUX
    if (m_fd >= 0)
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

} // namespace store
