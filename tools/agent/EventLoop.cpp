#include "EventLoop.h"

namespace agent {

void EventLoop::post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_posted.notify_one();
}

void EventLoop::postAfter(std::chrono::milliseconds wait, std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_timers.emplace(std::chrono::steady_clock::now() + wait, std::move(task));
    }
    m_posted.notify_one();
}

void EventLoop::run() {
    while (!m_quit) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            for (;;) {
                if (!m_timers.empty() &&
                    m_timers.begin()->first <= std::chrono::steady_clock::now()) {
                    task = std::move(m_timers.begin()->second);
                    m_timers.erase(m_timers.begin());
                    break;
                }
                if (!m_tasks.empty()) {
                    task = std::move(m_tasks.front());
                    m_tasks.pop_front();
                    break;
                }
                if (m_timers.empty())
                    m_posted.wait(lock);
                else
                    m_posted.wait_until(lock, m_timers.begin()->first);
            }
        }
        task();
    }
}

} // namespace agent
