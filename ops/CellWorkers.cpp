#include "ops/CellWorkers.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace
{
void WorkOn(const std::function<void(size_t)>& work, size_t slot)
{
    try
    {
        work(slot);
    }
    catch (...) // the job reads as failed: its slot is as work left it
    {
    }
}

// Worker threads serving the slots handed to them; the destructor stops and joins them.
class CCellPool
{
public:
    CCellPool(int32_t threads, size_t slots, const std::function<void(size_t)>& work)
        : m_work(work), m_done(slots, 0)
    {
        for (int32_t t = 0; t < threads; ++t)
        {
            try
            {
                m_threads.emplace_back([this] { Serve(); });
            }
            catch (const std::exception&) // no more threads to be had: those started do the work
            {
                break;
            }
        }
    }
    ~CCellPool()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        m_workReady.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }
    CCellPool(const CCellPool&) = delete;
    CCellPool& operator=(const CCellPool&) = delete;

    bool Started() const { return !m_threads.empty(); }

    void Submit(size_t slot)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done[slot] = 0;
            m_pending.push_back(slot);
        }
        m_workReady.notify_one();
    }
    void Wait(size_t slot)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_slotDone.wait(lock, [&] { return m_done[slot] != 0; });
    }

private:
    void Serve()
    {
        for (;;)
        {
            size_t slot = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_workReady.wait(lock, [&] { return m_bStop || !m_pending.empty(); });
                if (m_bStop)
                    return;
                slot = m_pending.front();
                m_pending.pop_front();
            }
            WorkOn(m_work, slot);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_done[slot] = 1;
            }
            m_slotDone.notify_all();
        }
    }

    const std::function<void(size_t)>& m_work;
    std::mutex m_mutex;
    std::condition_variable m_workReady, m_slotDone;
    std::deque<size_t> m_pending;
    std::vector<char> m_done; // per slot: its job is finished
    bool m_bStop = false;
    std::vector<std::thread> m_threads;
};
} // namespace

int32_t CellWorkers(int32_t asked)
{
    if (asked > 0)
        return asked;
    return int32_t(std::max(1u, std::thread::hardware_concurrency()));
}

size_t CellJobSlots(int32_t workers)
{
    // Two jobs a worker: each has its next one while this thread takes a finished one.
    return workers > 1 ? 2 * size_t(workers) : 1;
}

int32_t CellWorkersWithin(int32_t asked, uint64_t jobBytes, uint64_t budget)
{
    int32_t workers = CellWorkers(asked);
    while (workers > 1 && CellJobSlots(workers) * jobBytes > budget)
        --workers;
    return workers;
}

void RunCellsInOrder(int64_t count, int32_t workers, const std::function<void(int64_t, size_t)>& make,
                     const std::function<void(size_t)>& work, const std::function<void(int64_t, size_t)>& take)
{
    const size_t slots = CellJobSlots(workers);
    const auto serial = [&] {
        for (int64_t cell = 0; cell < count; ++cell)
        {
            make(cell, 0);
            WorkOn(work, 0);
            take(cell, 0);
        }
    };
    if (slots == 1 || count <= 1)
        return serial();
    CCellPool pool(int32_t(std::min<int64_t>(workers, count)), slots, work);
    if (!pool.Started())
        return serial();
    const int64_t depth = int64_t(slots);
    for (int64_t cell = 0; cell < count; ++cell)
    {
        const size_t slot = size_t(cell % depth);
        if (cell >= depth)
        {
            pool.Wait(slot);
            take(cell - depth, slot);
        }
        make(cell, slot);
        pool.Submit(slot);
    }
    for (int64_t cell = std::max<int64_t>(count - depth, 0); cell < count; ++cell)
    {
        const size_t slot = size_t(cell % depth);
        pool.Wait(slot);
        take(cell, slot);
    }
}
