#pragma once

#include <QFile>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace store {

// A file whose written bytes, once set to, a thread of its own syncs to
// disk every few megabytes while more are written, so that the sync that
// must come before it is renamed finds little left to write.
class WritebackFile : public QFile
{
public:
    WritebackFile() = default;
    ~WritebackFile() override;
    void close() override;
    void setWrittenBack(bool writtenBack) { m_writtenBack = writtenBack; }

protected:
    qint64 writeData(const char *data, qint64 size) override;

private:
    void stopWriteback();

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    qint64 m_written = 0;
    bool m_stopping = false;
    bool m_writtenBack = false;
};

// A file that takes the place of its target only once it is whole: the
// bytes go to a temporary file in the target's folder, which commit()
// flushes to disk and then puts under the target's name in one step. Until
// then the target keeps its old contents (or stays absent), and a program
// that is killed, or fails, leaves it so.
//
// On Linux the temporary file has no name at all (O_TMPFILE), so a run that
// is killed leaves nothing behind; it gets a name only for the instant
// between being linked into the folder and renamed over the target. Where
// the file system lacks unnamed files, it is a hidden file named after the
// target and the writing process; each later open in that folder removes
// such files of processes that no longer run.
//
// A target that exists and is no regular file (a device, a pipe) cannot be
// replaced; it is written straight through, as a plain file would be.
class AtomicFile
{
    Q_DISABLE_COPY_MOVE(AtomicFile)

public:
    enum class Mode
    {
        // An existing target is replaced.
        Replace,
        // An existing target is kept and commit() fails: the target is never
        // overwritten, even by another program that creates it meanwhile.
        KeepExisting,
    };

    explicit AtomicFile(QString target, Mode mode = Mode::Replace);
    // Anything not committed is thrown away.
    ~AtomicFile();

    // Opens the temporary file for writing; extra adds flags such as
    // QIODevice::Unbuffered.
    bool open(QIODevice::OpenMode extra = {});
    // Before open(): the bytes are synced by a thread as they come, for a
    // writer that spends most of its time waiting on a server: an export of
    // a million programmes from one, all of it left to the sync before the
    // rename, waited a sixth of its time on it. A writer busy all the time,
    // as one reading a file is, only loses time to the thread.
    void setWrittenBack(bool writtenBack) { m_file.setWrittenBack(writtenBack); }
    // The device to write to, once open() succeeded.
    QFile &device() { return m_file; }
    // Writes out, syncs to disk and puts the file under the target's name.
    bool commit();
    // Throws the temporary file away; the target stays as it was.
    void discard();

    const QString &target() const { return m_target; }

    // Whether files without a name are tried first (the default); off, every
    // file is named from the start, as on a file system without them.
    static void setUnnamedFilesTried(bool tried);
    // What went wrong, naming the file.
    const QString &errorString() const { return m_error; }

private:
    bool fail(const QString &reason);
    bool openNamed(const QString &folder);
    bool giveName(const QString &name);
    void closeHandle();

    QString m_target;
    Mode m_mode;
    WritebackFile m_file;
    int m_fd = -1;
    // Empty while the temporary file has no name.
    QString m_temporary;
    bool m_direct = false;
    unsigned m_permissions = 0;
    bool m_keepPermissions = false;
    QString m_error;
};

// The hidden names temporary files of target are given: ".NAME.PID-XXXXXX.tmp".
bool isTemporaryFor(const QString &fileName, const QString &targetFileName);

} // namespace store
