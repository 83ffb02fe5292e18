#include "export/ExportFile.h"

#include "export/Windows1252.h"

#include <QDir>

#include <cstring>

namespace exports {

namespace {

constexpr std::size_t bufferSize = 256 * 1024;

} // namespace

ExportFile::ExportFile() : m_buffer(new char[bufferSize])
{
}

ExportFile::~ExportFile()
{
    // Never finished: a file meant to replace its target is thrown away.
    if (m_replacing)
        m_replacing->discard();
    else
        close();
}

bool ExportFile::open(const QString &path, Overwrite overwrite)
{
    m_path = path;
    if (overwrite == Overwrite::WhenComplete) {
        m_replacing = std::make_unique<store::AtomicFile>(path);
        m_replacing->setWrittenBack(m_writtenBack);
        // Unbuffered: this class keeps its own buffer, and a second one in
        // QFile would only copy every byte once more.
        if (!m_replacing->open(QIODevice::Unbuffered)) {
            m_error = m_replacing->errorString();
            return false;
        }
        m_device = &m_replacing->device();
        return true;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        fail(m_file.errorString());
    return ok();
}

void ExportFile::fail(const QString &reason)
{
    if (ok())
        m_error =
            QStringLiteral("Could not write %1: %2").arg(QDir::toNativeSeparators(m_path), reason);
}

void ExportFile::flush()
{
    if (m_used == 0 || !ok())
        return;
    if (m_device->write(m_buffer.get(), qint64(m_used)) != qint64(m_used))
        fail(m_device->errorString());
    m_used = 0;
}

char *ExportFile::room(std::size_t bytes)
{
    if (m_used + bytes > bufferSize)
        flush();
    if (!ok())
        return nullptr;
    return m_used + bytes <= bufferSize ? m_buffer.get() + m_used : nullptr;
}

void ExportFile::write(std::string_view ascii)
{
    if (char *to = room(ascii.size())) {
        std::memcpy(to, ascii.data(), ascii.size());
        m_used += ascii.size();
    } else if (ok() &&
               m_device->write(ascii.data(), qint64(ascii.size())) != qint64(ascii.size())) {
        fail(m_device->errorString());
    }
}

void ExportFile::writeTyped(QStringView text)
{
    const QByteArray encoded = toWindows1252(text);
    write(std::string_view(encoded.constData(), std::size_t(encoded.size())));
}

void ExportFile::writeStored(std::string_view utf8)
{
    const std::size_t length = utf8.size();
    if (char *to = room(length)) {
        m_used += utf8ToWindows1252(utf8.data(), length, to);
    } else if (ok()) {
        // A value larger than the whole buffer: encode it on its own.
        std::unique_ptr<char[]> encoded(new char[length]);
        const std::size_t size = utf8ToWindows1252(utf8.data(), length, encoded.get());
        if (m_device->write(encoded.get(), qint64(size)) != qint64(size))
            fail(m_device->errorString());
    }
}

bool ExportFile::close()
{
    if (m_replacing) {
        if (m_device->isOpen()) {
            flush();
            if (ok() && !m_replacing->commit())
                m_error = m_replacing->errorString();
            m_replacing->discard();
        }
        return ok();
    }
    if (m_file.isOpen()) {
        flush();
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            fail(m_file.errorString());
    }
    return ok();
}

store::Status ExportFile::finish(const store::Status &read, const QString &action)
{
    // A file that was to replace its target is thrown away unless whole.
    if (m_replacing && !read)
        m_replacing->discard();
    const bool closed = close();
    if (!read)
        return read;
    if (!closed)
        return store::Failure{action, errorString(), QString()};
    return store::success();
}

} // namespace exports
