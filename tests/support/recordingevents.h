// RECORDINGEVENTS: an APPEVENTS for tests. It records every call the engine makes
// as one line of text ("StartTimer 6 666", "AgentEvent OnCheck", ...), answers the
// question box as told, and lets a test wait until calls have come from another
// thread.
#pragma once

#include "appevents.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class RECORDINGEVENTS : public APPEVENTS {
public:
    // "StartTimer <id> <ms>", "StopTimer <id>"
    void StartTimer(UINT_PTR id, UINT milliseconds) override;
    void StopTimer(UINT_PTR id) override;
    // "AskYesNo <title>|<text>", answered with the value of AnswerYes
    bool AskYesNo(const char* title, const char* text) override;
    // "PlayWave <file>"
    void PlayWave(const char* file) override;
    // "RefreshStatusScreen", "RefreshStateRow", "RefreshTrayIcon", "RefreshMenus"
    void RefreshStatusScreen() override;
    void RefreshStateRow() override;
    void RefreshTrayIcon() override;
    void RefreshMenus() override;
    // "DockShowText <line1>|<line2>|<ms>", "DockColour <colour>"
    void DockShowText(const char* line1, const char* line2, UINT milliseconds) override;
    void DockColour(COLORREF colour) override;
    // "AgentEvent <name>"
    void AgentEvent(const char* name) override;
    // "PostTick", "ThreadEnded", "PostCommand <id>"
    void PostTick() override;
    void ThreadEnded() override;
    void PostCommand(int id) override;

    // The answer of later questions (No until set).
    void AnswerYes(bool yes);
    // Every call so far, in order.
    std::vector<std::string> Calls() const;
    // The calls that begin with prefix.
    std::vector<std::string> Calls(const std::string& prefix) const;
    int Count(const std::string& prefix) const;
    bool Has(const std::string& prefix) const { return Count(prefix) > 0; }
    // Forgets the calls so far.
    void Clear();
    // Waits up to timeoutms for at least n calls beginning with prefix; whether they came.
    bool WaitFor(const std::string& prefix, int n, int timeoutms);

private:
    void Record(const std::string& call);

    mutable std::mutex Lock;
    std::condition_variable Changed;
    std::vector<std::string> Log;
    bool Answer = false;
};
