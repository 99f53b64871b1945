#pragma once
// The dialog with a schedule file in its host directory and the threads it
// starts run for real, as the program runs them.
#include <thread>

#include "tests/fakes/WakeUpDlgFixture.h"

class ScheduleTest : public WakeUpDlgTest {
protected:
    static constexpr const char* kSchedule = "C:\\Orvisa\\tvrecord.xml";

    void TearDown() override { JoinWorkers(); }

    void WriteSchedule(const std::string& programs) {
        m_files.SetFile(kSchedule,
                        "<?xml version=\"1.0\"?>\n<tvrecord>" + programs + "</tvrecord>");
    }

    static std::string Program(const std::string& start, const std::string& freq,
                               const std::string& channel = "ARD") {
        return "<program start=\"" + start + "\" freq=\"" + freq + "\" channel=\"" + channel +
               "\"/>";
    }

    // Runs the wake-timer threads the scan started, each on a thread of its own.
    void RunStartedThreads() {
        for (const auto& started : m_threads.Take())
            m_workers.emplace_back([started] { started.proc(started.param); });
    }

    // Log lines without their time stamps.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& line : m_log.Lines()) {
            // The fake clock's stamp ends in "AM " or "PM ", or is a bare date.
            const auto pos = line.find("M ");
            out.push_back(pos == std::string::npos ? line : line.substr(pos + 2));
        }
        return out;
    }

    bool WaitUntil(const std::function<bool()>& cond) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!cond()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    void JoinWorkers() {
        for (auto& w : m_workers)
            w.join();
        m_workers.clear();
    }

    std::vector<std::thread> m_workers;
};
