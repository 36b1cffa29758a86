#include "foldertree/FolderProbes.h"

#include "common/Detached.h"

#include "common/ReturnAddress.h"

#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace tunewalk {

struct FolderProbes::Shared {
    Probe probe;
    std::function<void(const Answer&)> answered; // used on the owner's thread only
    std::shared_ptr<ReturnAddress> address;
    std::mutex mutex;
    std::deque<Job> queue;
    int workers = 0;
};

FolderProbes::FolderProbes(QObject* owner, Probe probe, std::function<void(const Answer&)> answered)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->probe = std::move(probe);
    m_shared->answered = std::move(answered);
    m_shared->address = ReturnAddress::to(owner);
}

FolderProbes::~FolderProbes() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->queue.clear(); // the workers quit after the probe they are in
    m_shared->address->close();
}

void FolderProbes::add(std::vector<Job> jobs) {
    int start = 0;
    {
        std::lock_guard lock(m_shared->mutex);
        for (Job& job : jobs)
            m_shared->queue.push_back(std::move(job));
        start = std::min<int>(MaxWorkers - m_shared->workers, int(m_shared->queue.size()));
        m_shared->workers += std::max(start, 0);
    }
    for (int i = 0; i < start; ++i)
        runDetached([shared = m_shared] { work(shared); });
}

void FolderProbes::work(const std::shared_ptr<Shared>& shared) {
    for (;;) {
        Job job;
        {
            std::lock_guard lock(shared->mutex);
            while (!shared->queue.empty() && shared->queue.front().cancelled->load())
                shared->queue.pop_front();
            if (shared->queue.empty()) {
                --shared->workers;
                return;
            }
            job = std::move(shared->queue.front());
            shared->queue.pop_front();
        }
        // Each answer goes back at once: a batch would wait behind a probe that hangs.
        Answer answer{job.key, job.ticket, shared->probe(job.folder)};
        shared->address->post([shared, answer] { shared->answered(answer); });
    }
}

} // namespace tunewalk
