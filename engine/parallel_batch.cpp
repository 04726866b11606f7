// Several rows of a batch converted at once. Each running row has its job,
// the output parameters and a percentage of its own; the batch's engine only
// gathers what the window and the command line read: the rows' statuses,
// output names and percentages, the current row and its percentage. A
// watcher on the batch's thread keeps those up to date; the rows see a stop
// request in the batch's engine itself.
#include "engine/convert_row.h"
#include "engine/rival_names.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// How often the watcher refreshes the percentages and passes a stop on; a
// finishing row wakes it at once.
constexpr auto kWatchInterval = std::chrono::milliseconds(20);

// Whether each output folder of the batch ignores case, asked once per folder.
class FolderCase {
public:
    bool IgnoresCase(const std::string& outputPath) {
        const size_t slash = outputPath.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : outputPath.substr(0, slash);
        const auto [it, added] = ignoresCase_.try_emplace(folder, false);
        if (added) {
            it->second = FolderIgnoresCase(folder.empty() ? "/" : folder);
        }
        return it->second;
    }

private:
    std::map<std::string, bool> ignoresCase_;
};

class SideBySideBatch {
public:
    explicit SideBySideBatch(AVConvert& batch)
        : batch_(batch), params_(BatchOutputParams(batch)), rowCount_(batch.m_taskCount),
          running_(static_cast<size_t>(rowCount_), nullptr),
          finished_(static_cast<size_t>(rowCount_), false) {
        GroupRowsByName();
    }

    // Returns false when not a single worker could start: nothing was
    // converted, and the caller's own thread has to do the rows.
    bool Run() {
        std::vector<std::thread> threads = StartWorkers(std::min(batch_.m_jobCount, rowCount_));
        if (threads.empty()) {
            return false;
        }
        Watch();
        for (std::thread& thread : threads) {
            thread.join();
        }
        return true;
    }

private:
    // Starts up to `wanted` workers. Out of threads or of memory for their
    // stacks, the workers already started share all the rows.
    std::vector<std::thread> StartWorkers(int wanted) {
        std::vector<std::thread> threads;
        threads.reserve(static_cast<size_t>(wanted));
        for (int i = 0; i < wanted; ++i) {
            {
                std::lock_guard lock(mutex_);
                ++workersLeft_;
            }
            try {
                threads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                std::lock_guard lock(mutex_);
                --workersLeft_;
                break;
            }
        }
        return threads;
    }

    void GroupRowsByName() {
        std::map<std::string, int> groupOf;
        FolderCase folderCase;
        groupOfRow_.resize(static_cast<size_t>(rowCount_));
        for (int row = 0; row < rowCount_; ++row) {
            const auto index = static_cast<size_t>(row);
            const std::string& output = batch_.m_outputPaths[index];
            // Unchecked rows write nothing: no folder to ask.
            const bool ignoreCase =
                !batch_.m_inputPaths[index].empty() && folderCase.IgnoresCase(output);
            const auto [it, added] = groupOf.try_emplace(RivalNameGroup(output, ignoreCase),
                                                         static_cast<int>(groupRows_.size()));
            if (added) {
                groupRows_.emplace_back();
            }
            groupOfRow_[static_cast<size_t>(row)] = it->second;
            groupRows_[static_cast<size_t>(it->second)].push_back(row);
        }
    }

    // Takes the next row in order, or -1 once every row is taken or a stop
    // came. Called with the lock held.
    int TakeRow(std::atomic<int>& percent, RowJob& job) {
        if (StopRequested(batch_) || nextRow_ >= rowCount_) {
            return -1;
        }
        const int row = nextRow_++;
        job = BatchRowJob(batch_, row);
        running_[static_cast<size_t>(row)] = &percent;
        SetTaskProgress(batch_, row, 0);
        return row;
    }

    void Work() {
        for (;;) {
            std::atomic<int> percent{-1};
            RowJob job;
            int row = -1;
            {
                std::lock_guard lock(mutex_);
                row = TakeRow(percent, job);
                if (row < 0) {
                    --workersLeft_;
                    changed_.notify_all();
                    return;
                }
            }
            const RowResult result = ConvertBatchRow(job, params_, percent, batch_.m_stopRequested,
                                                     [this, row] { WaitForNameTurn(row); });
            FinishRow(row, result, percent.load(std::memory_order_relaxed));
        }
    }

    void FinishRow(int row, const RowResult& result, int percent) {
        std::lock_guard lock(mutex_);
        const auto index = static_cast<size_t>(row);
        RecordRowResult(batch_, row, result, percent);
        running_[index] = nullptr;
        finished_[index] = true;
        changed_.notify_all();
    }

    // A row takes its name only once every lower row that could want the
    // same name has finished, as if the rows had run one after another.
    void WaitForNameTurn(int row) {
        std::unique_lock lock(mutex_);
        const std::vector<int>& rivals =
            groupRows_[static_cast<size_t>(groupOfRow_[static_cast<size_t>(row)])];
        changed_.wait(lock, [&] {
            return std::all_of(rivals.begin(), rivals.end(), [&](int other) {
                return other >= row || finished_[static_cast<size_t>(other)];
            });
        });
    }

    void Watch() {
        std::unique_lock lock(mutex_);
        while (workersLeft_ > 0) {
            changed_.wait_for(lock, kWatchInterval);
            ShowProgress();
        }
        ShowProgress();
    }

    void ShowProgress() {
        for (int row = lowestOpen_; row < nextRow_; ++row) {
            if (const std::atomic<int>* percent = running_[static_cast<size_t>(row)]) {
                SetTaskProgress(batch_, row, std::max(0, percent->load(std::memory_order_relaxed)));
            }
        }
        const int before = lowestOpen_;
        while (lowestOpen_ < rowCount_ && finished_[static_cast<size_t>(lowestOpen_)]) {
            ++lowestOpen_;
        }
        const std::atomic<int>* current =
            lowestOpen_ < rowCount_ ? running_[static_cast<size_t>(lowestOpen_)] : nullptr;
        StoreRelaxed(batch_.m_progress, current ? current->load(std::memory_order_relaxed) : -1);
        if (lowestOpen_ != before) {
            PublishCurrentTask(batch_, lowestOpen_);
        }
    }

    AVConvert& batch_;
    const OutputAudioParams params_;
    const int rowCount_;
    std::mutex mutex_;
    std::condition_variable changed_; // a row finished or a worker left
    int nextRow_ = 0;                 // the next row to start
    int lowestOpen_ = 0;              // the lowest row not finished
    int workersLeft_ = 0;
    std::vector<const std::atomic<int>*> running_; // per row, its percentage while it runs
    std::vector<bool> finished_;
    std::vector<int> groupOfRow_;
    std::vector<std::vector<int>> groupRows_; // per name group, its rows in order
};

} // namespace

bool ConvertRowsSideBySide(AVConvert& engine) {
    return SideBySideBatch(engine).Run();
}
