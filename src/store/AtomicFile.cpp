#include "store/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

std::atomic<bool> unnamedFilesTried{true};

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

QString temporaryName(const QString &folder, const QString &targetFileName)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(36)]);
    return QDir(folder).filePath(
        QStringLiteral(".%1.%2-%3.tmp").arg(targetFileName).arg(qint64(::getpid())).arg(suffix));
}

// The process that wrote a temporary file, from its name.
qint64 writerOf(const QString &fileName)
{
    static const QRegularExpression pid(QStringLiteral("\\.(\\d+)-[a-z0-9]{6}\\.tmp$"));
    const auto match = pid.match(fileName);
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

// Temporary files whose writer was killed before it could remove them.
void removeAbandoned(const QString &folder, const QString &targetFileName)
{
    // Matched by isTemporaryFor rather than a wildcard, which the target's
    // own name could contain.
    const QStringList names =
        QDir(folder).entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const qint64 writer = writerOf(name);
        if (!isTemporaryFor(name, targetFileName) || writer <= 0)
            continue;
        if (::kill(pid_t(writer), 0) == -1 && errno == ESRCH)
            QFile::remove(QDir(folder).filePath(name));
    }
}

QString alreadyExists()
{
    return QStringLiteral("a file of that name already exists; it was left untouched.");
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

WritebackFile::~WritebackFile()
{
    stopWriteback();
}

void WritebackFile::close()
{
    stopWriteback();
    QFile::close();
}

qint64 WritebackFile::writeData(const char *data, qint64 size)
{
    const qint64 written = QFile::writeData(data, size);
    if (written <= 0 || !m_writtenBack)
        return written;
    std::lock_guard lock(m_mutex);
    m_written += written;
    // Small files, most of them, are synced once as ever, with no thread.
    constexpr qint64 step = qint64(16) << 20;
    if (!m_thread.joinable() && m_written >= step && !m_stopping) {
        m_thread = std::thread([this, fd = handle()] {
            std::unique_lock lock(m_mutex);
            qint64 synced = 0;
            while (true) {
                m_wake.wait(lock, [&] { return m_stopping || m_written - synced >= step; });
                if (m_stopping)
                    return;
                const qint64 upTo = m_written;
                lock.unlock();
                // A failure shows in the sync before the rename, which
                // reports it.
                ::fdatasync(fd);
                lock.lock();
                synced = upTo;
            }
        });
    }
    m_wake.notify_one();
    return written;
}

void WritebackFile::stopWriteback()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    m_stopping = false;
    m_written = 0;
}

bool isTemporaryFor(const QString &fileName, const QString &targetFileName)
{
    static const QRegularExpression rest(QStringLiteral("^\\d+-[a-z0-9]{6}\\.tmp$"));
    const QString prefix = u'.' + targetFileName + u'.';
    return fileName.startsWith(prefix) && rest.match(fileName.mid(prefix.size())).hasMatch();
}

void AtomicFile::setUnnamedFilesTried(bool tried)
{
    unnamedFilesTried = tried;
}

AtomicFile::AtomicFile(QString target, Mode mode) : m_target(std::move(target)), m_mode(mode)
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::fail(const QString &reason)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("Could not write %1: %2")
                      .arg(QDir::toNativeSeparators(m_target), reason);
    return false;
}

bool AtomicFile::open(QIODevice::OpenMode extra)
{
    m_error.clear();
    QFileInfo info(m_target);
    // A link to the file is kept: the file it points to is replaced.
    // (A link to something that is no file, such as /dev/stdout to a pipe,
    // has no canonical path and is written through as it is.)
    if (const QString canonical = info.canonicalFilePath();
        info.isSymLink() && !canonical.isEmpty())
        info = QFileInfo(canonical);
    m_target = info.absoluteFilePath();
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir())
        return fail(
            QStringLiteral("the folder %1 does not exist.").arg(QDir::toNativeSeparators(folder)));
    if (info.isDir())
        return fail(QStringLiteral("it is a folder."));

    struct stat existing = {};
    const bool exists = ::stat(encoded(m_target).constData(), &existing) == 0;
    if (exists && m_mode == Mode::KeepExisting)
        return fail(alreadyExists());
    if (exists && !S_ISREG(existing.st_mode)) {
        m_direct = true;
        m_file.setFileName(m_target);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | extra))
            return fail(m_file.errorString());
        return true;
    }
    m_keepPermissions = exists;
    m_permissions = exists ? (existing.st_mode & 07777) : (0666 & ~currentUmask());

    removeAbandoned(folder, info.fileName());
#ifdef O_TMPFILE
    if (unnamedFilesTried)
        m_fd = ::open(encoded(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#endif
    if (m_fd < 0 && !openNamed(folder))
        return false;
    if (::fchmod(m_fd, mode_t(m_permissions)) != 0 && m_keepPermissions) {
        const int error = errno;
        discard();
        return fail(systemError(error));
    }
    if (!m_file.open(m_fd, QIODevice::WriteOnly | extra, QFileDevice::DontCloseHandle)) {
        const QString reason = m_file.errorString();
        discard();
        return fail(reason);
    }
    return true;
}

bool AtomicFile::openNamed(const QString &folder)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = temporaryName(folder, QFileInfo(m_target).fileName());
        m_fd = ::open(encoded(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            m_temporary = name;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return fail(QStringLiteral("cannot create a temporary file in %1: %2")
                    .arg(QDir::toNativeSeparators(folder), systemError(errno)));
}

// Links the unnamed temporary file into the folder under name.
bool AtomicFile::giveName(const QString &name)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, encoded(name).constData(),
                 AT_SYMLINK_FOLLOW) == 0)
        return true;
#ifdef AT_EMPTY_PATH
    // Without /proc, the file's own handle will do for a privileged process.
    if (errno == ENOENT &&
        ::linkat(m_fd, "", AT_FDCWD, encoded(name).constData(), AT_EMPTY_PATH) == 0)
        return true;
#endif
    return false;
}

bool AtomicFile::commit()
{
    if (!m_file.isOpen())
        return fail(m_error.isEmpty() ? QStringLiteral("the file is not open.") : m_error);
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError) {
        const QString reason = m_file.errorString();
        discard();
        return fail(reason);
    }
    if (m_direct) {
        m_file.close();
        return m_error.isEmpty();
    }
    if (::fsync(m_fd) != 0) {
        const int error = errno;
        discard();
        return fail(systemError(error));
    }
    m_file.close();
    const QString folder = QFileInfo(m_target).absolutePath();
    const QByteArray target = encoded(m_target);

    if (m_temporary.isEmpty() && m_mode == Mode::KeepExisting) {
        // Linked straight under the target's name, which fails if it is taken.
        if (!giveName(m_target)) {
            const int error = errno;
            discard();
            return fail(error == EEXIST ? alreadyExists() : systemError(error));
        }
        closeHandle();
        syncFolder(folder);
        return true;
    }
    if (m_temporary.isEmpty()) {
        for (int attempt = 0; attempt < 100 && m_temporary.isEmpty(); ++attempt) {
            const QString name = temporaryName(folder, QFileInfo(m_target).fileName());
            if (giveName(name))
                m_temporary = name;
            else if (errno != EEXIST)
                break;
        }
        if (m_temporary.isEmpty()) {
            const int error = errno;
            discard();
            return fail(systemError(error));
        }
    }
    const QByteArray temporary = encoded(m_temporary);
    bool linked = false;
    if (m_mode == Mode::KeepExisting) {
        if (::link(temporary.constData(), target.constData()) == 0) {
            linked = true;
        } else {
            const int error = errno;
            // A file system without hard links: the name was free a moment ago.
            const bool noLinks = error == EPERM || error == EOPNOTSUPP || error == ENOSYS;
            if (error == EEXIST || (noLinks && QFileInfo::exists(m_target))) {
                discard();
                return fail(alreadyExists());
            }
            if (!noLinks || ::rename(temporary.constData(), target.constData()) != 0) {
                const int failed = noLinks ? errno : error;
                discard();
                return fail(systemError(failed));
            }
        }
    } else if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        discard();
        return fail(systemError(error));
    }
    if (linked)
        ::unlink(temporary.constData());
    m_temporary.clear();
    closeHandle();
    syncFolder(folder);
    return true;
}

void AtomicFile::closeHandle()
{
    if (m_file.isOpen())
        m_file.close();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void AtomicFile::discard()
{
    closeHandle();
    if (!m_temporary.isEmpty()) {
        ::unlink(encoded(m_temporary).constData());
        m_temporary.clear();
    }
}

} // namespace store
