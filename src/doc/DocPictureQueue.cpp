#include "doc/DocPictureQueue.h"

#include <system_error>
#include <utility>

namespace Word {

DocPictureQueue::DocPictureQueue(std::vector<const Picture*> pictures)
    : m_pictures(std::move(pictures)), m_slots(m_pictures.size()) {
    if (m_pictures.size() < 2)
        return; // nothing to overlap
    try {
        m_thread = std::thread(&DocPictureQueue::Run, this);
    } catch (const std::system_error&) {
        // Out of threads: the writer prepares every picture as it takes it.
    }
}

DocPictureQueue::~DocPictureQueue() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool DocPictureQueue::CanClaim() const {
    return !m_stop && !m_failed && m_claimed < m_pictures.size() && m_claimed <= m_taken + kAhead;
}

void DocPictureQueue::PrepareClaimed(std::unique_lock<std::mutex>& lock) {
    const std::size_t index = m_claimed++;
    lock.unlock();
    std::unique_ptr<DocPictureWriter> writer;
    bool prepared = false;
    std::exception_ptr thrown;
    try {
        writer = std::make_unique<DocPictureWriter>(*m_pictures[index]);
        prepared = writer->Prepare();
    } catch (...) {
        thrown = std::current_exception();
    }
    lock.lock();
    m_slots[index] = Slot{std::move(writer), true, prepared, thrown};
    m_failed = m_failed || !prepared;
    m_changed.notify_all();
}

void DocPictureQueue::Run() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock,
                       [this] { return CanClaim() || m_stop || m_failed || m_claimed == m_pictures.size(); });
        if (!CanClaim())
            return;
        PrepareClaimed(lock);
    }
}

std::unique_ptr<DocPictureWriter> DocPictureQueue::Next(bool* prepared) {
    *prepared = false;
    std::unique_lock lock(m_mutex);
    if (m_taken >= m_pictures.size() || (m_taken > 0 && !m_slots[m_taken - 1].prepared))
        return nullptr;
    while (!m_slots[m_taken].done) {
        // Rather than wait for the other thread, prepare the next unclaimed picture here; that is the
        // one needed now when the other thread is not ahead of the writer.
        if (m_taken == m_claimed || CanClaim())
            PrepareClaimed(lock);
        else
            m_changed.wait(lock, [this] { return m_slots[m_taken].done || CanClaim(); });
    }
    Slot& slot = m_slots[m_taken++];
    if (slot.thrown)
        std::rethrow_exception(slot.thrown);
    *prepared = slot.prepared;
    std::unique_ptr<DocPictureWriter> writer = std::move(slot.writer);
    lock.unlock();
    m_changed.notify_all(); // room for one more ahead
    return writer;
}

} // namespace Word
