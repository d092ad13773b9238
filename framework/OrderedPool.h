#pragma once

#include <atomic>
#include <chrono>
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

    // threads and maxInFlight are at least 1. A worker with nothing to do
    // looks for a job for spin before it sleeps: where jobs are short and
    // come one by one, waking a sleeping thread can cost the processors more
    // than the job.
    COrderedPool(int threads, size_t maxInFlight, Work work,
                 std::chrono::microseconds spin = std::chrono::microseconds(0))
        : m_maxInFlight(maxInFlight), m_spin(spin), m_work(std::move(work)) {
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
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_slots.emplace_back(std::move(job));
        }
        m_nEvents.fetch_add(1, std::memory_order_release);
        m_jobReady.notify_one();
    }

    // The result of the oldest job still held: nothing when none is held,
    // or when bWait is false and that job is not done yet. While it waits,
    // onTick (where set) is called every tick, outside the pool's lock.
    std::optional<Result> Next(bool bWait, const std::function<void()>& onTick = nullptr,
                               std::chrono::milliseconds tick = std::chrono::milliseconds(50)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_slots.empty()) return std::nullopt;
        if (!bWait && !m_slots.front().bDone) return std::nullopt;
        const auto done = [this] { return m_slots.front().bDone; };
        if (onTick) {
            while (!m_resultReady.wait_for(lock, tick, done)) {
                lock.unlock();
                onTick();
                lock.lock();
            }
        } else {
            m_resultReady.wait(lock, done);
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
        for (;;) {
            Slot* slot = nullptr;
            const auto ready = [&] {
                if (m_bStopping) return true;
                for (Slot& s : m_slots)
                    if (!s.bStarted) {
                        slot = &s;
                        return true;
                    }
                return false;
            };
            if (!ready() && m_spin.count() > 0) {
                lock.unlock();
                Spin();
                lock.lock();
            }
            m_jobReady.wait(lock, ready);
            if (m_bStopping) return;
            slot->bStarted = true;
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

    // Waits, awake, until a job comes or the pool stops, for spin at most.
    void Spin() {
        const unsigned seen = m_nEvents.load(std::memory_order_acquire);
        const auto until = std::chrono::steady_clock::now() + m_spin;
        while (m_nEvents.load(std::memory_order_acquire) == seen &&
               std::chrono::steady_clock::now() < until) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();  // leaves the core's resources to the other thread on it
#endif
        }
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStopping = true;
        }
        m_nEvents.fetch_add(1, std::memory_order_release);
        m_jobReady.notify_all();
        for (std::thread& thread : m_threads) thread.join();
    }

    const size_t m_maxInFlight;
    const std::chrono::microseconds m_spin;
    std::atomic<unsigned> m_nEvents{0};  // jobs submitted and stops, for a worker that spins
    const Work m_work;
    mutable std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_resultReady;
    std::deque<Slot> m_slots;
    bool m_bStopping = false;
    std::vector<std::thread> m_threads;
};
