#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace tunewalk {

// Asks "has this folder a sub-folder?" for many folders on a few worker threads, so that a
// slow or dead folder never holds up the window. Each answer comes back on the owner's thread.
// The workers are never joined: one stuck in a dead mount is abandoned, and what it answers
// after its owner went or gave the work up is dropped.
class FolderProbes {
public:
    using Probe = std::function<bool(const QString& folder)>;
    struct Answer {
        QString key;
        quint64 ticket = 0;
        bool hasSubFolder = false;
    };
    // Set to true to drop the probes of a batch that have not started yet.
    using Batch = std::shared_ptr<std::atomic<bool>>;
    struct Job {
        QString key, folder;
        quint64 ticket = 0;
        Batch cancelled;
    };

    // `answered` runs on `owner`'s thread, once per probe that finished while this lives.
    FolderProbes(QObject* owner, Probe probe, std::function<void(const Answer&)> answered);
    ~FolderProbes();
    FolderProbes(const FolderProbes&) = delete;
    FolderProbes& operator=(const FolderProbes&) = delete;

    void add(std::vector<Job> jobs);

    static constexpr int MaxWorkers = 3;

private:
    struct Shared;
    static void work(const std::shared_ptr<Shared>& shared);
    std::shared_ptr<Shared> m_shared;
};

} // namespace tunewalk
