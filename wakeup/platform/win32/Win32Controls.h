#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>

#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/DialogMessages.h"

// The control adapters are bound to their windows once the dialog exists;
// until then they do nothing. Each call is one window message, which the
// system carries out on the dialog's thread.

class CWin32LogList : public ILogList {
public:
    // Posted to the list's parent once lines have come: the parent hands
    // it to Redraw.
    static constexpr UINT kRedrawMessage = DialogMessage::kLogRedraw;

    void Attach(HWND list) { m_list = list; }
    ~CWin32LogList();
    // Draws the lines added since the last time, all at once.
    void Redraw();
    void AddString(const std::string& line) override;
    int GetCount() override;
    void DeleteString(int index) override;
    void ShowAndSelect(int index) override;

private:
    // The line's width in the list's font, on a memory DC of its own: the
    // list's own DC costs the system a look at the window's visible region
    // for every line.
    int TextWidth(const std::string& line);

    HWND m_list = nullptr;
    std::mutex m_measureLock;
    HDC m_measure = nullptr;
    // The widest line so far, in pixels: the list scrolls sideways that far.
    std::atomic<int> m_widestLine{0};
    // The line to select once the burst is drawn (-1: none): selected at
    // once, it would have the list redraw two lines in the middle of it.
    std::atomic<int> m_selectAtRedraw{-1};
    // Drawing is off from the first line of a burst until the parent's
    // queue comes to the posted redraw: a list box redrawn for every line
    // costs milliseconds a line, and a scan writes one line for each entry.
    std::atomic<bool> m_bFrozen{false};
};

class CWin32ProgressBar : public IProgressBar {
public:
    void Attach(HWND bar) { m_bar = bar; }
    void SetRange(int lower, int upper) override;
    void SetStep(int step) override;
    void StepIt() override;
    int GetPos() override;
    void SetPos(int pos) override;
    bool OnScreen() override;

private:
    HWND m_bar = nullptr;
};

class CWin32DialogControls : public IDialogControls {
public:
    CWin32DialogControls(HINSTANCE instance, const char* messageCaption)
        : m_instance(instance), m_caption(messageCaption) {}
    void Attach(HWND dialog) { m_dialog = dialog; }

    std::string GetItemText(int id) override;
    void SetItemText(int id, const std::string& text) override;
    bool GetCheck(int id) override;
    void SetCheck(int id, bool checked) override;
    void LimitText(int id, int maxChars) override;
    void FocusControl(int id) override;
    std::string LoadResourceString(unsigned id) override;
    void ShowMessage(const std::string& text) override;

protected:
    HWND Dialog() const { return m_dialog; }

private:
    HINSTANCE m_instance;
    const char* m_caption;
    HWND m_dialog = nullptr;
};
