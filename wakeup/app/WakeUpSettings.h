#pragma once
// The scheduler's settings: read once at start-up from the host's registry
// key, exchanged with the dialog's controls with the dialog framework's
// checks, and each written back as soon as the user changes its control.
#include <cstdint>
#include <memory>
#include <string>

#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/Registry.h"

class CDataExchange;

// Every setting the Options dialog shows, as one value: the dialog works on
// a copy and hands it back whole once its checks pass.
struct WakeUpOptions {
    int suspendMinutes = 0;
    std::string suspendText;
    bool hibernate = false;
    bool countUserInput = true;
    int marginMinutes = 0;
    std::string hostProgram;
    std::string keepAwakePrograms;
    int networkBusyKBps = 0;
};

// What a stored set of options changed.
struct OptionsChange {
    bool stored = true; // false: the key is missing or a value was not written
    bool length = false;
    bool hibernate = false;
    bool any = false;
};

class CWakeUpSettings {
public:
    static constexpr int kMaxSuspendMinutes = 999;
    static constexpr int kMaxSuspendTextChars = 255;
    static constexpr int kDefaultSleepMarginMinutes = 15;
    // A margin of more than a day is no margin but a mistaken value.
    static constexpr uint32_t kMaxSleepMarginMinutes = 1440;
    // 10 GB/s: beyond any interface; a larger value counts as off.
    static constexpr uint32_t kMaxNetworkBusyKBps = 10 * 1024 * 1024;

    CWakeUpSettings(IRegistry& registry, IDialogControls& controls)
        : m_registry(registry), m_controls(controls) {}
    CWakeUpSettings(const CWakeUpSettings&) = delete;
    CWakeUpSettings& operator=(const CWakeUpSettings&) = delete;

    // Reads the stored values; true when a countdown length is stored (only
    // then does the countdown run).
    bool Load();
    // Data exchange with the controls; false when a check failed.
    bool Exchange(bool saveAndValidate);
    // The controls' handlers. The minutes are taken over when their field
    // loses the focus: true when they were (the countdown starts anew).
    bool OnSuspendMinutesKillFocus();
    void OnSuspendTextChange();
    void OnHibernateClicked();

    // The Options dialog: the values now, their exchange with its controls
    // (false when a check failed) and their use. Each changed value is
    // written where the scheduler reads it; all are taken over at once,
    // stored or not.
    WakeUpOptions Options() const;
    static bool ExchangeOptions(IDialogControls& controls, bool saveAndValidate,
                                WakeUpOptions& options);
    OptionsChange UseOptions(const WakeUpOptions& options);

    // The warning text.
    const std::string& SuspendText() const { return m_strSuspendText; }

    // Only the dialog's thread reads or writes them.
    int m_nSuspendMinutes = 0;
    bool m_bHibernate = false;
    bool m_bCountUserInput = true;
    int m_nSleepMarginMinutes = kDefaultSleepMarginMinutes;
    std::string m_strSuspendText;
    std::string m_strHostProgram;
    std::string m_strKeepAwakePrograms;
    int m_nNetworkBusyKBps = 0;
    int m_nPvrBufferBegin = 0; // the lead time in minutes

private:
    void DoDataExchange(CDataExchange& dx);
    std::unique_ptr<IRegistryKey> OpenKey();

    IRegistry& m_registry;
    IDialogControls& m_controls;
    bool m_bExchanging = false; // a data exchange is running
};
