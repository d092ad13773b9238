#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Worker threads that run one function over jobs handed in by one thread,
// and give the results back to that thread in the order the jobs came in.
// At most maxInFlight jobs are held between Submit and the Next that gives
// their result, so that memory stays at that many jobs and results.
//
// Only the thread that made the pool calls Submit, Full and Next. What the
// function throws is thrown by the Next that comes to its job. The
// destructor drops the jobs not yet started, waits for those running and
// joins every thread, whatever state the pool is in.
template <class Job, class Result>
class COrderedPool {
  public:
    using Work = std::function<Result(Job&)>;

    // threads and maxInFlight are at least 1. Workers with nothing to do
    // sleep until wakeBatch jobs wait to start, or until Next waits for a
    // result: where jobs are short and come one by one, waking a worker for
    // each can cost more than the job.
    COrderedPool(int threads, size_t maxInFlight, Work work, size_t wakeBatch = 1)
        : m_maxInFlight(maxInFlight), m_wakeBatch(wakeBatch), m_work(std::move(work)) {
        try {
            for (int i = 0; i < threads; ++i) m_threads.emplace_back([this] { Serve(); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~COrderedPool() { Stop(); }
    COrderedPool(const COrderedPool&) = delete;
    COrderedPool& operator=(const COrderedPool&) = delete;

    // True when a Next must give a result before the next Submit.
    bool Full() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_slots.size() >= m_maxInFlight;
    }
    bool Empty() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_slots.empty();
    }

    // Hands a job to the workers; the pool must not be Full.
    void Submit(Job job) {
        bool wake;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_slots.emplace_back(std::move(job));
            wake = ++m_nUnstarted >= m_wakeBatch;
        }
        if (wake) m_jobReady.notify_one();
    }

    // The result of the oldest job still held: nothing when none is held,
    // or when bWait is false and that job is not done yet.
    std::optional<Result> Next(bool bWait) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_slots.empty()) return std::nullopt;
        if (!bWait && !m_slots.front().bDone) return std::nullopt;
        if (!m_slots.front().bDone) {
            // The jobs before it may be too few to have woken a worker.
            m_bCallerWaits = true;
            m_jobReady.notify_all();
            m_resultReady.wait(lock, [this] { return m_slots.front().bDone; });
            m_bCallerWaits = false;
        }
        Slot slot = std::move(m_slots.front());
        m_slots.pop_front();
        lock.unlock();
        if (slot.error) std::rethrow_exception(slot.error);
        return std::move(slot.result);
    }

  private:
    struct Slot {
        explicit Slot(Job j) : job(std::move(j)) {}
        Job job;
        bool bStarted = false;
        bool bDone = false;
        std::optional<Result> result;
        std::exception_ptr error;
    };

    void Serve() {
        std::unique_lock<std::mutex> lock(m_mutex);
        bool bBusy = false;  // a worker that has just done a job takes the next at once
        for (;;) {
            Slot* slot = nullptr;
            const auto ready = [&] {
                if (m_bStopping) return true;
                if (!bBusy && m_nUnstarted < m_wakeBatch && !m_bCallerWaits) return false;
                for (Slot& s : m_slots)
                    if (!s.bStarted) {
                        slot = &s;
                        return true;
                    }
                return false;
            };
            if (!ready()) {
                bBusy = false;
                m_jobReady.wait(lock, ready);
            }
            if (m_bStopping) return;
            bBusy = true;
            slot->bStarted = true;
            --m_nUnstarted;
            lock.unlock();
            // A slot being worked on stays in the deque, and a deque keeps
            // its elements in place while others are added or taken.
            std::optional<Result> result;
            std::exception_ptr error;
            try {
                result.emplace(m_work(slot->job));
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            slot->result = std::move(result);
            slot->error = error;
            slot->bDone = true;
            m_resultReady.notify_one();
        }
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStopping = true;
        }
        m_jobReady.notify_all();
        for (std::thread& thread : m_threads) thread.join();
    }

    const size_t m_maxInFlight;
    const size_t m_wakeBatch;
    const Work m_work;
    mutable std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_resultReady;
    std::deque<Slot> m_slots;
    size_t m_nUnstarted = 0;
    bool m_bCallerWaits = false;  // a Next waits for a result
    bool m_bStopping = false;
    std::vector<std::thread> m_threads;
};
