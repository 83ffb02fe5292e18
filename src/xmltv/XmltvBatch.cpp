#include "xmltv/XmltvBatch.h"

#include <utility>

namespace xmltv::import {

bool Handoff::full() const
{
    return m_batches.size() >= maxWaiting ||
           (!m_batches.empty() && m_waitingTextBytes >= maxWaitingTextBytes);
}

bool Handoff::put(Batch &batch)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !full() || m_gaveUp; });
    if (m_gaveUp)
        return false;
    m_waitingTextBytes += batch.text.size();
    const qint64 readSoFar = batch.readSoFar;
    m_batches.push_back(std::move(batch));
    batch = Batch();
    if (!m_spent.empty()) {
        batch = std::move(m_spent.back());
        m_spent.pop_back();
    }
    m_changed.notify_all();
    lock.unlock();
    batch.clear();
    batch.readSoFar = readSoFar;
    return true;
}

void Handoff::giveBack(Batch batch)
{
    if (batch.text.capacity() > keptTextBytes)
        batch.text = std::string();
    const std::lock_guard lock(m_mutex);
    m_spent.push_back(std::move(batch));
}

void Handoff::finish(std::optional<FileProblem> problem)
{
    const std::lock_guard lock(m_mutex);
    m_problem = std::move(problem);
    m_finished = true;
    m_changed.notify_all();
}

std::optional<Batch> Handoff::take()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_batches.empty() || m_finished; });
    // A faulty file imports nothing: what is left need not be stored.
    if (m_batches.empty() || m_problem)
        return std::nullopt;
    Batch batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_waitingTextBytes -= batch.text.size();
    m_changed.notify_all();
    return batch;
}

void Handoff::giveUp()
{
    const std::lock_guard lock(m_mutex);
    m_gaveUp = true;
    m_changed.notify_all();
}

bool Handoff::gaveUp()
{
    const std::lock_guard lock(m_mutex);
    return m_gaveUp;
}

} // namespace xmltv::import
