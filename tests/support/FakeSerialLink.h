#pragma once

#include "upload/SerialLink.h"

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A serial link that records what it is asked to do. `openResult` and `writeResult` script the
// outcome; `duringWrite` runs inside writeAndClose, on the thread that writes (the main window
// writes on a worker), to let a test act while the write is under way.
class FakeSerialLink : public SerialLink {
public:
    OpenResult openResult = OpenResult::Opened;
    WriteResult writeResult{true, 0, {}, false};
    std::function<void()> duringWrite;

    std::vector<std::string> opened;
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::chrono::milliseconds> timeouts;
    std::vector<std::thread::id> writeThreads;
    int closes = 0;
    bool isOpen = false;

    OpenResult open(const std::string& device) override {
        std::lock_guard lock(m_mutex);
        opened.push_back(device);
        isOpen = openResult != OpenResult::OpenFailed;
        return openResult;
    }

    WriteResult writeAndClose(std::span<const std::uint8_t> frame,
                              std::chrono::milliseconds timeout) override {
        {
            std::lock_guard lock(m_mutex);
            frames.emplace_back(frame.begin(), frame.end());
            timeouts.push_back(timeout);
            writeThreads.push_back(std::this_thread::get_id());
        }
        if (duringWrite)
            duringWrite();
        std::lock_guard lock(m_mutex);
        ++closes;
        isOpen = false;
        WriteResult result = writeResult;
        if (result.complete)
            result.written = frame.size();
        return result;
    }

    void close() override {
        std::lock_guard lock(m_mutex);
        ++closes;
        isOpen = false;
    }

private:
    std::mutex m_mutex;
};
