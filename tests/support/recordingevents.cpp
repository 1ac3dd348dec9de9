// RECORDINGEVENTS: each call becomes a line of text under one lock; waiting
// threads are woken at every new line.
#include "recordingevents.h"

#include <chrono>

static std::string text(const char* s) { return s ? s : "<null>"; }

void RECORDINGEVENTS::Record(const std::string& call)
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Log.push_back(call);
    }
    Changed.notify_all();
}

void RECORDINGEVENTS::Tick() { Record("Tick"); }
void RECORDINGEVENTS::CheckStarted(const char* server) { Record("CheckStarted " + text(server)); }
void RECORDINGEVENTS::StatusChanged() { Record("StatusChanged"); }

void RECORDINGEVENTS::ResultJudged(const CHECKRESULT& result)
{
    Record("ResultJudged " + std::to_string(result.Level) + "|" + std::to_string(result.Ms) + "|" +
           text(result.Status) + "|" + text(result.Status2));
}

void RECORDINGEVENTS::AlarmWanted(const char* file, int repeatseconds)
{
    Record("AlarmWanted " + text(file) + "|" + std::to_string(repeatseconds));
}

bool RECORDINGEVENTS::AskYesNo(const char* title, const char* question)
{
    Record("AskYesNo " + text(title) + "|" + text(question));
    std::lock_guard<std::mutex> guard(Lock);
    return Answer;
}

void RECORDINGEVENTS::ClockSet(bool set) { Record(set ? "ClockSet 1" : "ClockSet 0"); }
void RECORDINGEVENTS::CheckDone(bool good) { Record(good ? "CheckDone 1" : "CheckDone 0"); }
void RECORDINGEVENTS::ExitRequested() { Record("ExitRequested"); }
void RECORDINGEVENTS::ThreadEnded() { Record("ThreadEnded"); }
void RECORDINGEVENTS::LanTimeReceived(const char* server) { Record("LanTimeReceived " + text(server)); }

void RECORDINGEVENTS::DriftRefused(long long nanoseconds, long long limit)
{
    Record("DriftRefused " + std::to_string(nanoseconds) + "|" + std::to_string(limit));
}

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
