#pragma once

#include "doc/DocPictureWriter.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Word {

// Prepares the pictures of a .doc's Data stream on both cores while they are written in order.
// Preparing (reading a picture and computing its MD4 digest, the .doc's blip id) costs more than
// writing it, so a second thread prepares ahead, and the writer prepares a later picture itself
// whenever the next one is not ready yet. At most kAhead pictures past the one being written are
// prepared or held, which bounds the memory. Where no thread can be started, the writer prepares
// everything itself.
class DocPictureQueue {
public:
    static constexpr std::size_t kAhead = 2;

    // The pictures must outlive the queue.
    explicit DocPictureQueue(std::vector<const Picture*> pictures);
    ~DocPictureQueue(); // stops preparing and waits for the thread
    DocPictureQueue(const DocPictureQueue&) = delete;
    DocPictureQueue& operator=(const DocPictureQueue&) = delete;

    // The next picture in the order given, once prepared; `*prepared` tells whether that worked
    // (when not, the writer's ErrorString says why and no later picture is handed out). Null once
    // every picture has been taken or after a failed one. Called from one thread only; what preparing
    // the picture threw on the other thread is thrown here.
    std::unique_ptr<DocPictureWriter> Next(bool* prepared);

private:
    struct Slot {
        std::unique_ptr<DocPictureWriter> writer;
        bool done = false;
        bool prepared = false;
        std::exception_ptr thrown; // raised while preparing (out of memory), raised again by Next
    };

    void Run();
    bool CanClaim() const; // with m_mutex held
    // Claims the next unclaimed picture, prepares it with the lock released and stores it.
    void PrepareClaimed(std::unique_lock<std::mutex>& lock);

    const std::vector<const Picture*> m_pictures;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Slot> m_slots;
    std::size_t m_claimed = 0; // pictures claimed for preparing, always the first ones
    std::size_t m_taken = 0;   // pictures handed to the writer
    bool m_failed = false;     // a picture could not be prepared: nothing after it is claimed
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace Word
