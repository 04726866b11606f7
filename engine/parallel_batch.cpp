// Several rows of a batch converted at once. Each running row has an engine
// instance of its own, since a row overwrites its engine's media facts; the
// batch's engine only gathers what the window and the command line read: the
// rows' statuses, output names and percentages, the current row and its
// percentage. A watcher on the batch's thread keeps those up to date and
// passes a stop request on to the running rows.
#include "engine/convert_row.h"
#include "engine/rival_names.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
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

// The rows' engine instances start from the batch's output parameters and
// hold one row.
void PrepareRowEngine(const AVConvert& batch, int row, AVConvert& rowEngine) {
    PrepareBatch(rowEngine, 1);
    rowEngine.m_inputPaths[0] = batch.m_inputPaths[row];
    rowEngine.m_outputPaths[0] = batch.m_outputPaths[row];
    rowEngine.m_clipStart[0] = batch.m_clipStart[row];
    rowEngine.m_clipEnd[0] = batch.m_clipEnd[row];
    rowEngine.m_clipLength[0] = batch.m_clipLength[row];
    rowEngine.m_audioCodecId = batch.m_audioCodecId;
    rowEngine.m_audioBitRate = batch.m_audioBitRate;
    rowEngine.m_sampleRate = batch.m_sampleRate;
    rowEngine.m_channels = batch.m_channels;
    rowEngine.m_checkedCount = 1;
}

class SideBySideBatch {
public:
    explicit SideBySideBatch(AVConvert& batch)
        : batch_(batch), rowCount_(batch.m_taskCount),
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
    int TakeRow(AVConvert& rowEngine) {
        if (StopRequested(batch_) || nextRow_ >= rowCount_) {
            return -1;
        }
        const int row = nextRow_++;
        PrepareRowEngine(batch_, row, rowEngine);
        running_[static_cast<size_t>(row)] = &rowEngine;
        SetTaskProgress(batch_, row, 0);
        return row;
    }

    void Work() {
        for (;;) {
            auto rowEngine = std::make_unique<AVConvert>();
            int row = -1;
            {
                std::lock_guard lock(mutex_);
                row = TakeRow(*rowEngine);
                if (row < 0) {
                    --workersLeft_;
                    changed_.notify_all();
                    return;
                }
            }
            RowFailure failure;
            const uint8_t status = ConvertBatchRow(
                *rowEngine, 0, [this, row] { WaitForNameTurn(row); }, failure);
            FinishRow(row, *rowEngine, status, failure);
        }
    }

    void FinishRow(int row, const AVConvert& rowEngine, uint8_t status, const RowFailure& failure) {
        std::lock_guard lock(mutex_);
        const auto index = static_cast<size_t>(row);
        batch_.m_outputPaths[index] = rowEngine.m_outputPaths[0];
        SetTaskProgress(batch_, row, std::max(0, LoadRelaxed(rowEngine.m_progress)));
        if (status == TaskFailed) {
            SetTaskFailure(batch_, row, failure);
        } else {
            SetTaskStatus(batch_, row, status);
        }
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
            PassStopOn();
            ShowProgress();
        }
        ShowProgress();
    }

    void PassStopOn() {
        if (!StopRequested(batch_)) {
            return;
        }
        for (AVConvert* rowEngine : running_) {
            if (rowEngine) {
                RequestStop(*rowEngine);
            }
        }
    }

    void ShowProgress() {
        for (int row = lowestOpen_; row < nextRow_; ++row) {
            if (const AVConvert* rowEngine = running_[static_cast<size_t>(row)]) {
                SetTaskProgress(batch_, row, std::max(0, LoadRelaxed(rowEngine->m_progress)));
            }
        }
        const int before = lowestOpen_;
        while (lowestOpen_ < rowCount_ && finished_[static_cast<size_t>(lowestOpen_)]) {
            ++lowestOpen_;
        }
        const AVConvert* current =
            lowestOpen_ < rowCount_ ? running_[static_cast<size_t>(lowestOpen_)] : nullptr;
        StoreRelaxed(batch_.m_progress, current ? LoadRelaxed(current->m_progress) : -1);
        if (lowestOpen_ != before) {
            PublishCurrentTask(batch_, lowestOpen_);
        }
    }

    AVConvert& batch_;
    const int rowCount_;
    std::mutex mutex_;
    std::condition_variable changed_; // a row finished or a worker left
    int nextRow_ = 0;                 // the next row to start
    int lowestOpen_ = 0;              // the lowest row not finished
    int workersLeft_ = 0;
    std::vector<AVConvert*> running_; // per row, its engine while it runs
    std::vector<bool> finished_;
    std::vector<int> groupOfRow_;
    std::vector<std::vector<int>> groupRows_; // per name group, its rows in order
};

} // namespace

bool ConvertRowsSideBySide(AVConvert& engine) {
    return SideBySideBatch(engine).Run();
}
