// RECORDINGEVENTS: each call becomes a line of text under one lock; waiting
// threads are woken at every new line.
#include "recordingevents.h"

#include <chrono>

static std::string number(unsigned long long value) { return std::to_string(value); }

static std::string text(const char* s) { return s ? s : "<null>"; }

void RECORDINGEVENTS::Record(const std::string& call)
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Log.push_back(call);
    }
    Changed.notify_all();
}

void RECORDINGEVENTS::StartTimer(UINT_PTR id, UINT milliseconds)
{
    Record("StartTimer " + number(id) + " " + number(milliseconds));
}

void RECORDINGEVENTS::StopTimer(UINT_PTR id) { Record("StopTimer " + number(id)); }

bool RECORDINGEVENTS::AskYesNo(const char* title, const char* question)
{
    Record("AskYesNo " + text(title) + "|" + text(question));
    std::lock_guard<std::mutex> guard(Lock);
    return Answer;
}

void RECORDINGEVENTS::PlayWave(const char* file) { Record("PlayWave " + text(file)); }
void RECORDINGEVENTS::RefreshStatusScreen() { Record("RefreshStatusScreen"); }
void RECORDINGEVENTS::RefreshStateRow() { Record("RefreshStateRow"); }
void RECORDINGEVENTS::RefreshTrayIcon() { Record("RefreshTrayIcon"); }
void RECORDINGEVENTS::RefreshMenus() { Record("RefreshMenus"); }

void RECORDINGEVENTS::DockShowText(const char* line1, const char* line2, UINT milliseconds)
{
    Record("DockShowText " + text(line1) + "|" + text(line2) + "|" + number(milliseconds));
}

void RECORDINGEVENTS::DockColour(COLORREF colour) { Record("DockColour " + number(colour)); }
void RECORDINGEVENTS::AgentEvent(const char* name) { Record("AgentEvent " + text(name)); }
void RECORDINGEVENTS::PostTick() { Record("PostTick"); }
void RECORDINGEVENTS::ThreadEnded() { Record("ThreadEnded"); }
void RECORDINGEVENTS::PostCommand(int id) { Record("PostCommand " + std::to_string(id)); }

void RECORDINGEVENTS::AnswerYes(bool yes)
{
    std::lock_guard<std::mutex> guard(Lock);
    Answer = yes;
}

std::vector<std::string> RECORDINGEVENTS::Calls() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return Log;
}

std::vector<std::string> RECORDINGEVENTS::Calls(const std::string& prefix) const
{
    std::lock_guard<std::mutex> guard(Lock);
    std::vector<std::string> found;
    for (const std::string& call : Log)
        if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
    return found;
}

int RECORDINGEVENTS::Count(const std::string& prefix) const
{
    return static_cast<int>(Calls(prefix).size());
}

void RECORDINGEVENTS::Clear()
{
    std::lock_guard<std::mutex> guard(Lock);
    Log.clear();
}

bool RECORDINGEVENTS::WaitFor(const std::string& prefix, int n, int timeoutms)
{
    std::unique_lock<std::mutex> guard(Lock);
    return Changed.wait_for(guard, std::chrono::milliseconds(timeoutms), [&] {
        int found = 0;
        for (const std::string& call : Log)
            if (call.compare(0, prefix.size(), prefix) == 0) found++;
        return found >= n;
    });
}
