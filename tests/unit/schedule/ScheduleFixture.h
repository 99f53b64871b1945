#pragma once
// The dialog's parts with a schedule file in their host directory; the
// threads they start run for real, as the program runs them.
#include <thread>

#include "tests/fakes/WakeUpPartsFixture.h"
#include "wakeup/app/NightRules.h"

class ScheduleTest : public WakeUpPartsTest {
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

    // A countdown minute: the countdown thread's turn, here, then its post
    // as the dialog takes it. A sleep asked for is requested at once, here,
    // and its result handed back; a wake-timer thread started runs as above.
    void Minute() {
        m_countdown.PaceMinute();
        m_messenger.DeliverPosted();
        RunSleepRequests();
    }
    void RunSleepRequests() {
        for (const auto& started : m_threads.Take()) {
            if (started.proc == ArmingEntry)
                m_workers.emplace_back([started] { started.proc(started.param); });
            else
                started.proc(started.param);
        }
        m_messenger.DeliverPosted();
    }

    // The fake zone's UTC moment of a local one (UTC+1).
    CDateTime Utc(const CDateTime& local) const { return UtcOf(m_localTime, local); }

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
