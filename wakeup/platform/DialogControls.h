#pragma once
#include <string>

// The dialog's controls as the core drives them. Every call may come from any
// thread; the Win32 adapters send window messages, so a call from a worker
// thread is carried out by the dialog's thread and returns when it is done.

class ILogList {
public:
    virtual ~ILogList() = default;
    virtual void AddString(const std::string& line) = 0;
    virtual int GetCount() = 0;
    virtual void DeleteString(int index) = 0;
    // Scrolls the list to the line and selects it.
    virtual void ShowAndSelect(int index) = 0;
};

class IProgressBar {
public:
    virtual ~IProgressBar() = default;
    // The bounds travel as two 16-bit values.
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetStep(int step) = 0;
    virtual void StepIt() = 0;
    virtual int GetPos() = 0;
    virtual void SetPos(int pos) = 0;
    // Whether the bar can be seen: its window shown and not minimised. Any
    // thread, without waiting for the dialog's.
    virtual bool OnScreen() = 0;
};

// Text, check state and focus of the dialog's controls by id, the program's
// string resources, and the application's message box.
class IDialogControls {
public:
    virtual ~IDialogControls() = default;
    virtual std::string GetItemText(int id) = 0;
    virtual void SetItemText(int id, const std::string& text) = 0;
    // The armed wake time in its line under the log, and as the tooltip of
    // the window's icon in the notification area. Any thread.
    virtual void ShowNextWake(const std::string& text) = 0;
    virtual bool GetCheck(int id) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual void LimitText(int id, int maxChars) = 0;
    // Gives the control the focus and, for an edit, selects its whole text.
    virtual void FocusControl(int id) = 0;
    virtual std::string LoadResourceString(unsigned id) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
};
