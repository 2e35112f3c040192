#pragma once

#include "upload/SerialLink.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// A serial link that records what it is asked to do and behaves like a fast UART: each write
// shows up in the queue once and has left at the next look. `openResult`, `openFailure`,
// `acceptLimit`, `failAfter` and `queueFailsAfter` script the outcome; `duringWrite` runs at a
// session's first write, on the thread that writes (the main window writes on a worker), to let a
// test act while the write is under way.
class FakeSerialLink : public SerialLink {
public:
    OpenResult openResult = OpenResult::Opened;
    Failure openFailure;
    std::size_t acceptLimit = SIZE_MAX;     // bytes taken in all, then the queue stays full
    std::size_t failAfter = SIZE_MAX;       // bytes taken before the device fails
    std::size_t queueFailsAfter = SIZE_MAX; // bytes taken before the queue tells a failure
    Failure writeFailure = systemFailure(EIO);
    std::function<void()> duringWrite;

    std::vector<std::string> opened;
    std::vector<std::vector<std::uint8_t>> frames; // what each session wrote, at its close
    std::vector<std::thread::id> writeThreads;
    int closes = 0;
    int discards = 0;
    bool isOpen = false;

    OpenStatus open(const std::string& device) override {
        std::lock_guard lock(m_mutex);
        opened.push_back(device);
        isOpen = openResult != OpenResult::OpenFailed;
        m_session.clear();
        m_firstWrite = true;
        return {openResult, openResult == OpenResult::Opened ? Failure{} : openFailure};
    }

    WriteStatus write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds) override {
        bool first = false;
        {
            std::lock_guard lock(m_mutex);
            first = std::exchange(m_firstWrite, false);
            if (first)
                writeThreads.push_back(std::this_thread::get_id());
        }
        if (first && duringWrite)
            duringWrite();
        std::lock_guard lock(m_mutex);
        if (m_session.size() >= failAfter)
            return {0, writeFailure};
        const std::size_t room =
            std::min(acceptLimit, failAfter) - std::min(acceptLimit, m_session.size());
        const std::size_t taken = std::min(room, bytes.size());
        m_session.insert(m_session.end(), bytes.begin(), bytes.begin() + taken);
        m_queued = taken;
        if (taken == 0 && acceptLimit <= m_session.size())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return {taken, {}};
    }

    QueueStatus pending() override {
        std::lock_guard lock(m_mutex);
        if (m_session.size() >= queueFailsAfter)
            return {std::nullopt, writeFailure};
        return {std::exchange(m_queued, 0), {}};
    }

    void discard() override {
        std::lock_guard lock(m_mutex);
        ++discards;
        m_queued = 0;
    }

    void close() override {
        std::lock_guard lock(m_mutex);
        if (isOpen && !m_firstWrite)
            frames.push_back(m_session);
        ++closes;
        isOpen = false;
        m_firstWrite = false;
    }

private:
    std::mutex m_mutex;
    std::vector<std::uint8_t> m_session;
    std::size_t m_queued = 0;
    bool m_firstWrite = false;
};
