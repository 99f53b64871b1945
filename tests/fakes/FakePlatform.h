#pragma once
// In-memory ports: scriptable, recording every call, with a clock the test
// moves. Each fake is safe to call from several threads.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/Registry.h"
#include "wakeup/platform/Threads.h"

class CFakeClock : public IClock {
public:
    explicit CFakeClock(const CDateTime& now = CDateTime(2005, 3, 2, 21, 0, 0)) : m_now(now) {}
    CDateTime Now() const override;
    void Set(const CDateTime& now);
    void Advance(const CDateTimeSpan& span);

private:
    mutable std::mutex m_lock;
    CDateTime m_now;
};

// Renders as Wine does with LANG=C: "3/2/2005 10:25:00 PM", midnight as
// "3/2/2005".
class CFakeDateText : public IDateText {
public:
    std::string Format(const CDateTime& when) const override;
};

// A registry of value maps keyed by sub-key. A key that was never added
// cannot be opened.
class CFakeRegistry : public IRegistry {
public:
    struct Value {
        uint32_t type; // 1 = REG_SZ, 4 = REG_DWORD
        std::vector<unsigned char> data;
    };
    using Values = std::map<std::string, Value>;

    void AddKey(const std::string& subKey);
    void SetDword(const std::string& subKey, const std::string& name, uint32_t value);
    // Stores the bytes as they are: no terminating zero is added.
    void SetRaw(const std::string& subKey, const std::string& name, uint32_t type,
                const std::string& bytes);
    bool HasValue(const std::string& subKey, const std::string& name) const;
    uint32_t GetDword(const std::string& subKey, const std::string& name) const;
    // The stored REG_SZ up to its first zero byte.
    std::string GetString(const std::string& subKey, const std::string& name) const;
    int WriteCount() const;

    std::unique_ptr<IRegistryKey> OpenCurrentUserKey(const char* subKey) override;

private:
    friend class CFakeRegistryKey;
    mutable std::mutex m_lock;
    std::map<std::string, Values> m_keys;
    int m_writes = 0;
};

// Records the threads it was asked to start; the test runs them with RunAll
// (inline) when it chooses, or lets them run at once on real threads.
class CFakeThreadStarter : public IThreadStarter {
public:
    struct Started {
        ThreadProc proc;
        void* param;
    };
    bool Start(ThreadProc proc, void* param) override;
    std::vector<Started> Take();
    size_t Count() const;

private:
    mutable std::mutex m_lock;
    std::vector<Started> m_started;
};

class CFakeLogList : public ILogList {
public:
    void AddString(const std::string& line) override;
    int GetCount() override;
    void DeleteString(int index) override;
    void ShowAndSelect(int index) override;

    std::vector<std::string> Lines() const;
    int Selected() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
    int m_selected = -1;
};

// Behaves as the common progress control: the position is kept inside the
// range, a step adds the step value.
class CFakeProgressBar : public IProgressBar {
public:
    void SetRange(int lower, int upper) override;
    void SetStep(int step) override;
    void StepIt() override;
    int GetPos() override;
    void SetPos(int pos) override;

    int Lower() const;
    int Upper() const;
    int Step() const;
    int RangeCalls() const;

private:
    int Clamp(int pos) const;
    mutable std::mutex m_lock;
    int m_lower = 0, m_upper = 100, m_step = 10, m_pos = 0, m_rangeCalls = 0;
};

class CFakeDialogControls : public IDialogControls {
public:
    std::string GetItemText(int id) override;
    void SetItemText(int id, const std::string& text) override;
    bool GetCheck(int id) override;
    void SetCheck(int id, bool checked) override;
    void LimitText(int id, int maxChars) override;
    void FocusControl(int id) override;
    std::string LoadResourceString(unsigned id) override;
    void ShowMessage(const std::string& text) override;

    // What the user types: changes the text without any notification.
    void Type(int id, const std::string& text);
    std::vector<std::string> Messages() const;
    int Focused() const;
    int Limit(int id) const;

private:
    mutable std::mutex m_lock;
    std::map<int, std::string> m_text;
    std::map<int, bool> m_check;
    std::map<int, int> m_limit;
    std::vector<std::string> m_messages;
    int m_focused = 0;
};
