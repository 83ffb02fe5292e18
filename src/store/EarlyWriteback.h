#pragma once

#include <QString>
#include <QtGlobal>

namespace store {

// Asks the system to start putting a file's changed pages on disk while a
// long write is still going on. A large import hands SQLite hundreds of
// megabytes that would otherwise all wait in memory for the sync that ends
// its transaction; written out as they come, the sync has little left to do.
// Only a request: where the system has none, or it fails, nothing happens,
// and nothing changes in what SQLite's journal guarantees, as the pages are
// ones SQLite has already handed to the system and it may write at any time.
class EarlyWriteback
{
    Q_DISABLE_COPY_MOVE(EarlyWriteback)

public:
    explicit EarlyWriteback(const QString &path);
    ~EarlyWriteback();

    // Starts writing what has changed so far, without waiting for it.
    void start();

private:
    int m_fd = -1;
};

} // namespace store
