#pragma once

#include <atomic>
#include <memory>
#include <mutex>

namespace Report {

// Creates its object on first use, exactly once even when several threads ask at the same time,
// and deletes it at program exit. The created object is read without a lock.
template <typename T> class SingletonHolder {
public:
    T* Get() {
        T* instance = m_instance.load(std::memory_order_acquire);
        if (instance != nullptr) {
            return instance;
        }
        std::lock_guard lock(m_mutex);
        instance = m_instance.load(std::memory_order_relaxed);
        if (instance == nullptr) {
            m_owner = std::make_unique<T>();
            instance = m_owner.get();
            m_instance.store(instance, std::memory_order_release);
        }
        return instance;
    }

private:
    std::atomic<T*> m_instance{nullptr};
    std::mutex m_mutex;
    std::unique_ptr<T> m_owner;
};

} // namespace Report
