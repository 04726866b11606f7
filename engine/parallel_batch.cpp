// Several rows of a batch converted at once. Each running row has its job,
// the output parameters and a percentage of its own; the batch's engine only
// gathers what the window and the command line read: the rows' statuses,
// output names and percentages, the current row and its percentage. A
// watcher on the batch's thread keeps those up to date; the rows see a stop
// request in the batch's engine itself.
#include "engine/album_gain.h"
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
        const auto [it, added] = m_ignoresCase.try_emplace(folder, false);
        if (added) {
            it->second = FolderIgnoresCase(folder.empty() ? "/" : folder);
        }
        return it->second;
    }

private:
    std::map<std::string, bool> m_ignoresCase;
};

class SideBySideBatch {
public:
    explicit SideBySideBatch(AVConvert& batch)
        : m_batch(batch), m_params(BatchOutputParams(batch)), m_rowCount(batch.m_taskCount),
          m_running(static_cast<size_t>(m_rowCount), nullptr),
          m_finished(static_cast<size_t>(m_rowCount), false) {
        GroupRowsByName();
        if (m_batch.m_loudness) {
            m_batch.m_loudness->record = [this](int row, const RowResult& result, int percent) {
                FinishRow(row, result, percent);
            };
        }
    }

    // Returns false when not a single worker could start: nothing was
    // converted, and the caller's own thread has to do the rows.
    bool Run() {
        std::vector<std::thread> threads = StartWorkers(std::min(m_batch.m_jobCount, m_rowCount));
        if (threads.empty()) {
            return false;
        }
        Watch();
        for (std::thread& thread : threads) {
            thread.join();
        }
        // After a stop, the rows still waiting for the rest of their album.
        if (m_batch.m_loudness) {
            m_batch.m_loudness->PublishWaiting();
            std::lock_guard lock(m_mutex);
            ShowProgress();
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
                std::lock_guard lock(m_mutex);
                ++m_workersLeft;
            }
            try {
                threads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                std::lock_guard lock(m_mutex);
                --m_workersLeft;
                break;
            }
        }
        return threads;
    }

    void GroupRowsByName() {
        std::map<std::string, int> groupOf;
        FolderCase folderCase;
        m_groupOfRow.resize(static_cast<size_t>(m_rowCount));
        for (int row = 0; row < m_rowCount; ++row) {
            const auto index = static_cast<size_t>(row);
            const std::string& output = m_batch.m_outputPaths[index];
            // Unchecked rows write nothing: no folder to ask.
            const bool ignoreCase =
                !m_batch.m_inputPaths[index].empty() && folderCase.IgnoresCase(output);
            const auto [it, added] = groupOf.try_emplace(RivalNameGroup(output, ignoreCase),
                                                         static_cast<int>(m_groupRows.size()));
            if (added) {
                m_groupRows.emplace_back();
            }
            m_groupOfRow[static_cast<size_t>(row)] = it->second;
            m_groupRows[static_cast<size_t>(it->second)].push_back(row);
        }
    }

    // Takes the next row in order, or -1 once every row is taken or a stop
    // came. Called with the lock held.
    int TakeRow(std::atomic<int>& percent, RowJob& job) {
        if (StopRequested(m_batch) || m_nextRow >= m_rowCount) {
            return -1;
        }
        const int row = m_nextRow++;
        job = BatchRowJob(m_batch, row);
        job.splitWays = RowSplitWays(m_batch, m_rowCount - row, RunningRows());
        m_running[static_cast<size_t>(row)] = &percent;
        SetTaskProgress(m_batch, row, 0);
        return row;
    }

    int RunningRows() const {
        return static_cast<int>(
            std::count_if(m_running.begin() + m_lowestOpen, m_running.begin() + m_nextRow,
                          [](const std::atomic<int>* percent) { return percent != nullptr; }));
    }

    void Work() {
        for (;;) {
            std::atomic<int> percent{-1};
            RowJob job;
            int row = -1;
            {
                std::lock_guard lock(m_mutex);
                row = TakeRow(percent, job);
                if (row < 0) {
                    --m_workersLeft;
                    m_changed.notify_all();
                    return;
                }
            }
            const RowResult result =
                ConvertBatchRow(job, m_params, percent, m_batch.m_stopRequested,
                                [this, row] { WaitForNameTurn(row); });
            if (result.handedOn) {
                StopWatching(row); // recorded once its album is measured
            } else {
                FinishRow(row, result, percent.load(std::memory_order_relaxed));
            }
        }
    }

    void FinishRow(int row, const RowResult& result, int percent) {
        std::lock_guard lock(m_mutex);
        const auto index = static_cast<size_t>(row);
        RecordRowResult(m_batch, row, result, percent);
        m_running[index] = nullptr;
        m_finished[index] = true;
        m_changed.notify_all();
    }

    // The row's percentage lives with its worker, which moves on.
    void StopWatching(int row) {
        std::lock_guard lock(m_mutex);
        m_running[static_cast<size_t>(row)] = nullptr;
    }

    // A row takes its name only once every lower row that could want the
    // same name has finished, as if the rows had run one after another.
    void WaitForNameTurn(int row) {
        std::unique_lock lock(m_mutex);
        const std::vector<int>& rivals =
            m_groupRows[static_cast<size_t>(m_groupOfRow[static_cast<size_t>(row)])];
        m_changed.wait(lock, [&] {
            return std::all_of(rivals.begin(), rivals.end(), [&](int other) {
                return other >= row || m_finished[static_cast<size_t>(other)];
            });
        });
    }

    void Watch() {
        std::unique_lock lock(m_mutex);
        while (m_workersLeft > 0) {
            m_changed.wait_for(lock, kWatchInterval);
            ShowProgress();
        }
        ShowProgress();
    }

    void ShowProgress() {
        for (int row = m_lowestOpen; row < m_nextRow; ++row) {
            if (const std::atomic<int>* percent = m_running[static_cast<size_t>(row)]) {
                SetTaskProgress(m_batch, row,
                                std::max(0, percent->load(std::memory_order_relaxed)));
            }
        }
        const int before = m_lowestOpen;
        while (m_lowestOpen < m_rowCount && m_finished[static_cast<size_t>(m_lowestOpen)]) {
            ++m_lowestOpen;
        }
        const std::atomic<int>* current =
            m_lowestOpen < m_rowCount ? m_running[static_cast<size_t>(m_lowestOpen)] : nullptr;
        StoreRelaxed(m_batch.m_progress, current ? current->load(std::memory_order_relaxed) : -1);
        if (m_lowestOpen != before) {
            PublishCurrentTask(m_batch, m_lowestOpen);
        }
    }

    AVConvert& m_batch;
    const OutputAudioParams m_params;
    const int m_rowCount;
    std::mutex m_mutex;
    std::condition_variable m_changed; // a row finished or a worker left
    int m_nextRow = 0;                 // the next row to start
    int m_lowestOpen = 0;              // the lowest row not finished
    int m_workersLeft = 0;
    std::vector<const std::atomic<int>*> m_running; // per row, its percentage while it runs
    std::vector<bool> m_finished;
    std::vector<int> m_groupOfRow;
    std::vector<std::vector<int>> m_groupRows; // per name group, its rows in order
};

} // namespace

bool ConvertRowsSideBySide(AVConvert& engine) {
    return SideBySideBatch(engine).Run();
}
