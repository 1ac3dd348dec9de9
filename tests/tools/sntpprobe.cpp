// Test helper for the interop test and the benchmark: asks a time server once
// through APPENGINE::GetNtpTime with the real clock and prints the result text,
// the offset (as "%08x.%08x" and in milliseconds) and the round-trip delay that
// the query logged. Exit code 0 when the query succeeded, 1 when it failed.
//
//   sntpprobe [server [port]]      server defaults to 127.0.0.1, port to 123
#include "appengine.h"

#include "clock.h"
#include "hash.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static STRING program_dir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash) *slash = 0;
    return STRING(path);
}

// The shortest round trip of the query's exchanges as its log gives it (seconds to
// the microsecond), or "?" when there is none.
static STRING logged_delay(const char* logfile)
{
    BINARY log;
    if (!log.Load(logfile, "rb")) return STRING("?");
    const char* label = ", delay ";
    STRING best("?");
    double shortest = 0;
    for (int at = log.Pos(label); at >= 0;) {
        int from = at + static_cast<int>(strlen(label));
        STRING value = log.Mid(from).Word(0);
        double seconds = atof(value.Text());
        if (best == "?" || seconds < shortest) {
            best = value;
            shortest = seconds;
        }
        int next = log.Mid(from).Pos(label);
        at = next < 0 ? -1 : from + next;
    }
    return best;
}

// The probe only asks the server: nobody listens to the engine's reports.
class NOLISTENER : public ENGINEEVENTS {
public:
    void Tick() override {}
    void CheckStarted(const char*) override {}
    void StatusChanged() override {}
    void ResultJudged(const CHECKRESULT&) override {}
    void AlarmWanted(const char*, int) override {}
    bool AskYesNo(const char*, const char*) override { return false; }
    void ClockSet(bool) override {}
    void CheckDone(bool) override {}
    void ExitRequested() override {}
    void ThreadEnded() override {}
};

int main(int argc, char** argv)
{
    const char* server = argc > 1 ? argv[1] : "127.0.0.1";
    int port = argc > 2 ? atoi(argv[2]) : SNTP_PORT;

    // The error texts live in the language library of the built program, beside tests/.
    STRING bin = program_dir() + "\\..\\bin";
    STRING library = bin + "\\horalinkenglish.dll";
    if (GetFileAttributesA(library.Text()) != INVALID_FILE_ATTRIBUTES) {
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((bin + "\\horalink.exe").Text(), "horalink", "1.00");
    }

    char logfile[MAX_PATH];
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    snprintf(logfile, sizeof logfile, "%ssntpprobe_%lu.log", temp, GetCurrentProcessId());
    STRING option = STRING("/LOGIT:") + logfile;
    LogitOption(option.Text());

    HASH settings;
    SETTINGS::ApplyDefaults(settings, 0);
    PLATFORMCLOCK clock;
    NOLISTENER windows;
    APPENGINE engine(settings, clock, windows);
    engine.SetSntpPort(static_cast<unsigned short>(port));
    STRING output;
    NTPTIME offset;
    int ok = engine.GetNtpTime(server, output, offset);

    LogitOption("/LOGITCLOSE");
    STRING delay = logged_delay(logfile);
    DeleteFileA(logfile);

    double ms = (static_cast<int32_t>(offset.Seconds) + offset.Fraction / 4294967296.0) * 1000.0;
    printf("output: %s\n", output.Text());
    printf("offset: %s\n", offset.Text().Text());
    printf("offset_ms: %.3f\n", ms);
    printf("delay_s: %s\n", delay.Text());
    fflush(stdout);
    return ok ? 0 : 1;
}
