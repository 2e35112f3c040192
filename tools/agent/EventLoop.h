#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace agent {

// The agent's one thread of state: every event (the broker's, an upload's, a signal) is posted
// here and runs in order, so nothing of the agent's state needs a lock.
class EventLoop {
public:
    // From any thread.
    void post(std::function<void()> task);
    // From any thread: `task` runs once `wait` has passed.
    void postAfter(std::chrono::milliseconds wait, std::function<void()> task);
    // Runs the tasks until quit().
    void run();
    // From a task.
    void quit() { m_quit = true; }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_tasks;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> m_timers;
    bool m_quit = false;
};

} // namespace agent
