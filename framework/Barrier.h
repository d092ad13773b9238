#pragma once

#include <condition_variable>
#include <mutex>

// A meeting point for a fixed number of threads, used again and again: each
// Arrive waits until every one of them has arrived at the same round.
class CBarrier {
  public:
    explicit CBarrier(int parties) : m_nParties(parties) {}
    CBarrier(const CBarrier&) = delete;
    CBarrier& operator=(const CBarrier&) = delete;

    void Arrive() {
        std::unique_lock<std::mutex> lock(m_mutex);
        const unsigned round = m_nRound;
        if (++m_nArrived == m_nParties) {
            m_nArrived = 0;
            ++m_nRound;
            m_allArrived.notify_all();
            return;
        }
        m_allArrived.wait(lock, [&] { return m_nRound != round; });
    }

  private:
    const int m_nParties;
    int m_nArrived = 0;
    unsigned m_nRound = 0;
    std::mutex m_mutex;
    std::condition_variable m_allArrived;
};
