// The Win32 adapters of the ports against the real system calls.
#include <gtest/gtest.h>

#include "tests/win32/support/WineTestSupport.h"
#include "common/win32/Owners.h"
#include "wakeup/platform/win32/Win32Clock.h"
#include "wakeup/platform/win32/Win32CodePage.h"
#include "wakeup/platform/win32/Win32Files.h"
#include "wakeup/platform/win32/Win32Session.h"
#include "wakeup/platform/win32/Win32Threads.h"
#include "wakeup/platform/win32/Win32Timers.h"
#include "wakeup/platform/win32/Win32WindowMessages.h"

namespace {
int64_t UtcFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME utc{};
    utc.wYear = year;
    utc.wMonth = month;
    utc.wDay = day;
    utc.wHour = hour;
    utc.wMinute = minute;
    FILETIME file;
    SystemTimeToFileTime(&utc, &file);
    return static_cast<int64_t>(static_cast<uint64_t>(file.dwHighDateTime) << 32 |
                                file.dwLowDateTime);
}
} // namespace

TEST(LocalTimeConverter, UsesTheZoneRulesOfTheTargetDate) {
    const CWin32LocalTimeConverter converter;
    // Central European time: UTC+1 in winter, UTC+2 in summer.
    EXPECT_EQ(converter.LocalToUtcFileTime(CDateTime(2027, 1, 15, 20, 15, 0)),
              UtcFileTime(2027, 1, 15, 19, 15));
    EXPECT_EQ(converter.LocalToUtcFileTime(CDateTime(2027, 7, 15, 20, 15, 0)),
              UtcFileTime(2027, 7, 15, 18, 15));
    // Just before and after the change on 28 March 2027 (02:00 -> 03:00).
    EXPECT_EQ(converter.LocalToUtcFileTime(CDateTime(2027, 3, 28, 1, 59, 0)),
              UtcFileTime(2027, 3, 28, 0, 59));
    EXPECT_EQ(converter.LocalToUtcFileTime(CDateTime(2027, 3, 28, 3, 0, 0)),
              UtcFileTime(2027, 3, 28, 1, 0));
}

TEST(Session, RecordingMarkIsTheSessionsGlobalObjectWhileSet) {
    DWORD own = 0;
    ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &own));
    const std::string name = "Global\\KelmarWakeUp.Recording." + std::to_string(own);
    const auto exists = [&] { return CUniqueHandle(OpenEventA(SYNCHRONIZE, FALSE, name.c_str())); };
    CWin32Session session;
    session.SetRecordingMark(true);
    EXPECT_TRUE(exists());
    // Its own mark is no other session's recording.
    EXPECT_FALSE(session.OtherSessionRecording());
    session.SetRecordingMark(false);
    EXPECT_FALSE(exists());
}

TEST(DateText, RendersInTheUserLocaleWithoutTheTimeAtMidnight) {
    const CWin32DateText text;
    EXPECT_EQ(text.Format(CDateTime(2005, 3, 2, 22, 25, 0)), "3/2/2005 10:25:00 PM");
    EXPECT_EQ(text.Format(CDateTime(2005, 3, 2, 0, 0, 0)), "3/2/2005");
    // Before the kernel's calendar: as the variant conversion renders it.
    EXPECT_EQ(text.Format(CDateTime(1500, 1, 2, 3, 4, 5)), "1/2/1500 3:04:05 AM");
}

TEST(CodePage, WhatTheCodePageCannotShowBecomesItsDefaultCharacterNotALookAlike) {
    // The Latin code page of the test prefix: the yen sign is in it, the
    // A with macron and the minus sign are not.
    ASSERT_EQ(GetACP(), 1252u);
    const CWin32CodePage codePage;
    const char16_t text[] = u"\u0100\u00A5\u2212";
    EXPECT_EQ(codePage.FromUtf16(text, 3), "?\xA5?");
    EXPECT_EQ(codePage.ToUtf16("a\xA5"), u"a\u00A5");
}

TEST(FileReader, ReadsAFileAnotherProcessKeepsOpenForWriting) {
    winetest::CTempDir dir;
    const std::string path = dir.Path() + "\\tvrecord.xml";
    ASSERT_TRUE(winetest::WriteFileBytes(path, "<tvrecord/>"));
    CUniqueHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.Valid());
    CWin32FileReader reader;
    std::vector<char> bytes;
    ASSERT_TRUE(reader.ReadWholeFile(path, 1024, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<tvrecord/>");
    // Larger than allowed, and missing: not read.
    EXPECT_FALSE(reader.ReadWholeFile(path, 5, bytes));
    EXPECT_FALSE(reader.ReadWholeFile(dir.Path() + "\\missing.xml", 1024, bytes));
}

// A host that saves by writing a new file and renaming it over the
// schedule holds the schedule with delete access meanwhile.
TEST(FileReader, ReadsAFileOpenedForItsReplacement) {
    winetest::CTempDir dir;
    const std::string path = dir.Path() + "\\tvrecord.xml";
    ASSERT_TRUE(winetest::WriteFileBytes(path, "<tvrecord/>"));
    CUniqueHandle renamer(CreateFileA(path.c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(renamer.Valid());
    std::vector<char> bytes;
    EXPECT_TRUE(CWin32FileReader().ReadWholeFile(path, 1024, bytes));
}

TEST(FileReader, ExclusivelyLockedFileCannotBeRead) {
    winetest::CTempDir dir;
    const std::string path = dir.Path() + "\\tvrecord.xml";
    ASSERT_TRUE(winetest::WriteFileBytes(path, "<tvrecord/>"));
    CUniqueHandle locker(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locker.Valid());
    CWin32FileReader reader;
    std::vector<char> bytes;
    EXPECT_FALSE(reader.ReadWholeFile(path, 1024, bytes));
}

TEST(WaitableTimers, NamedTimerIsSharedAndFiresForEveryHandle) {
    CWin32WaitableTimers timers;
    const char* name = "WakeupAdapterTestTimer";
    EXPECT_EQ(timers.Open(name), 0u);
    const auto first = timers.Create(name);
    ASSERT_NE(first, 0u);
    const auto second = timers.Open(name);
    ASSERT_NE(second, 0u);
    // With a reason, as the wake is set: where the system takes none, the
    // setting without it stands.
    ASSERT_TRUE(timers.Set(second, -1, true, "Recording on ARD at 3/2/2005 8:15:00 PM"));
    EXPECT_EQ(timers.Wait(first), IWaitableTimers::kWaitObject0);
    EXPECT_EQ(timers.Wait(second), IWaitableTimers::kWaitObject0); // manual reset stays signalled
    timers.Close(first);
    timers.Close(second);
    EXPECT_EQ(timers.Open(name), 0u); // gone with its last handle
}

namespace {
struct FilterCall {
    HWND window;
    UINT message;
    DWORD action;
    void* extra;
};
FilterCall g_filterCall;
BOOL g_filterAnswer = TRUE;

BOOL WINAPI RecordFilterCall(HWND window, UINT message, DWORD action, void* extra) {
    g_filterCall = {window, message, action, extra};
    if (!g_filterAnswer)
        SetLastError(ERROR_ACCESS_DENIED);
    return g_filterAnswer;
}
} // namespace

// Wine only stubs the filter, so the call itself is what can be checked.
TEST(WindowMessenger, LetsTheMessageThroughTheFilterOfTheAttachedWindow) {
    const HWND window = CreateWindowExA(0, "STATIC", "filtered", WS_OVERLAPPED, 0, 0, 10, 10,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    CWin32WindowMessenger messenger(RecordFilterCall);
    messenger.Attach(window);
    EXPECT_EQ(messenger.AllowFromLowerIntegrity(WM_USER), 0u);
    EXPECT_EQ(g_filterCall.window, window);
    EXPECT_EQ(g_filterCall.message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(g_filterCall.action, 1u); // MSGFLT_ALLOW
    EXPECT_EQ(g_filterCall.extra, nullptr);
    g_filterAnswer = FALSE;
    EXPECT_EQ(messenger.AllowFromLowerIntegrity(WM_USER),
              static_cast<uint32_t>(ERROR_ACCESS_DENIED));
    // Before Windows 7 there is nothing to call, and nothing fails.
    EXPECT_EQ(CWin32WindowMessenger(nullptr).AllowFromLowerIntegrity(WM_USER), 0u);
    DestroyWindow(window);
}

TEST(ThreadStarter, StopEndsTheWorkersTimerWaitsAndPausesAndWaitsForThem) {
    CWin32ThreadStarter threads;
    struct Worker {
        CWin32WaitableTimers timers;
        CWin32ThreadWait wait;
        uint32_t waited = 0;
    } worker{CWin32WaitableTimers(threads.StopEvent()), CWin32ThreadWait(threads.StopEvent())};
    auto proc = [](void* param) -> unsigned {
        auto* self = static_cast<Worker*>(param);
        // Never set: only the stop ends this wait.
        const IWaitableTimers::Handle timer = self->timers.Create(nullptr);
        self->waited = self->timers.Wait(timer);
        self->timers.Close(timer);
        self->wait.Pause(INFINITE);
        return 0;
    };
    ASSERT_TRUE(threads.Start(proc, &worker));
    EXPECT_TRUE(threads.StopAll(winetest::kDeadlineMs));
    EXPECT_EQ(worker.waited, IWaitableTimers::kWaitStopped);
}
