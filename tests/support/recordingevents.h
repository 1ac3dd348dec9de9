// RECORDINGEVENTS: an ENGINEEVENTS for tests. It records every report the engine
// makes as one line of text ("CheckStarted pool.ntp.org", "ClockSet 1", ...), answers
// the question as told, and lets a test wait until reports have come from another
// thread.
#pragma once

#include "engineevents.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class RECORDINGEVENTS : public ENGINEEVENTS {
public:
    // "Tick", "CheckStarted <server>", "StatusChanged"
    void Tick() override;
    void CheckStarted(const char* server) override;
    void StatusChanged() override;
    // "ResultJudged <level>|<ms>|<status>|<status2>"
    void ResultJudged(const CHECKRESULT& result) override;
    // "AlarmWanted <file>|<repeatseconds>"
    void AlarmWanted(const char* file, int repeatseconds) override;
    // "AskYesNo <title>|<text>", answered with the value of AnswerYes
    bool AskYesNo(const char* title, const char* text) override;
    // "ClockSet <0|1>", "CheckDone <0|1>", "ExitRequested", "ThreadEnded"
    void ClockSet(bool set) override;
    void CheckDone(bool good) override;
    void ExitRequested() override;
    void ThreadEnded() override;
    // "LanTimeReceived <server>", "DriftRefused <nanoseconds>|<limit>"
    void LanTimeReceived(const char* server) override;
    void DriftRefused(long long nanoseconds, long long limit) override;

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
