#pragma once
// Every fake port, and the ports of the dialog's parts over them, for the
// tests of the dialog and of its parts.
#include <gtest/gtest.h>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/app/AutoSuspend.h"
#include "wakeup/app/HostEventHandler.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/SettingsNames.h"

struct CFakePorts {
    static constexpr const char* kKey = WAKEUP_SETTINGS_KEY;

    CScheduleArming::Ports ArmingPorts() {
        return {m_files,     m_codePage, m_clock, m_dateText, m_timers,
                m_localTime, m_threads,  m_wait,  m_power};
    }
    CAutoSuspend::Ports CountdownPorts() {
        return {m_progress, m_timers, m_wait, m_threads, m_session};
    }
    CHostEventHandler::Ports EventPorts() {
        return {m_processes, m_hostWatch, m_hostLookup, m_programs, m_network,
                m_clock,     m_dateText,  m_power,      m_session,  m_controls};
    }
    CWakeProof::Ports ProofPorts() { return {m_timers, m_clock}; }

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

    CFakeClock m_clock;
    CFakeDateText m_dateText;
    CFakeRegistry m_registry;
    CFakeThreadStarter m_threads;
    CFakeLogList m_log;
    CFakeLogFile m_logFile;
    CFakeProgressBar m_progress;
    CFakeDialogControls m_controls;
    CFakeFileReader m_files;
    CLeadByteTable m_codePage;
    CFakeWaitableTimers m_timers;
    CFakeLocalTimeConverter m_localTime;
    CFakePower m_power;
    CFakeProcessStarter m_processes;
    CFakeProcessWatch m_hostWatch;
    CFakeHostLookup m_hostLookup;
    CFakeProcessList m_programs;
    CFakeNetworkCounters m_network;
    CFakeWindowMessenger m_messenger;
    CFakeThreadWait m_wait;
    CFakeDirectoryWatcher m_watcher;
    CFakeSession m_session;
};

class FakePortsTest : public ::testing::Test, public CFakePorts {};
