// The SNTP server of a LAN server, as the engine runs it: on while this PC serves
// the LAN and LanSntpServer is set, and what its replies say of this PC's clock,
// from the upstream of the last good query and the status of the last check.
#include "appengine.h"

#include "kelvo.h"
#include "settingkeys.h"
#include "settings.h"

#include <cstring>

// How fast an unchecked clock may wander from its reference, in millionths: what NTP
// assumes of any clock.
const unsigned long long DRIFT_PPM = 15;

// 16.16 seconds of a non-negative NTPTIME, saturated.
static uint32_t short_of(const NTPTIME& value)
{
    if (value.IsNegative()) return 0;
    if (value.Seconds > 0xFFFF) return 0xFFFFFFFFu;
    return value.Seconds << 16 | value.Fraction >> 16;
}

static uint32_t add_saturated(uint32_t a, unsigned long long b)
{
    unsigned long long sum = a + b;
    return sum > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(sum);
}

bool APPENGINE::UpdateSntpServer()
{
    SETTINGSGUARD guard(&SntpServerLock);
    bool wanted = IsLanServer() && GetSettingInt(KEY::LanSntpServer) == 1;
    if (!wanted) {
        if (SntpServer.IsRunning()) Logit("APP::UpdateSntpServer stops serving SNTP\n");
        SntpServer.Stop();
        return false;
    }
    if (SntpServer.IsRunning() && SntpServer.GetPort() == Timings.SntpServerPort) return true;
    Logit("APP::UpdateSntpServer serves SNTP on port %u\n", Timings.SntpServerPort);
    return SntpServer.Start(Timings.SntpServerPort);
}

void APPENGINE::StopSntpServer()
{
    SETTINGSGUARD guard(&SntpServerLock);
    SntpServer.Stop();
}

void APPENGINE::RecordUpstream(const SNTPUPSTREAM& upstream)
{
    SETTINGSGUARD guard(&UpstreamLock);
    Upstream = upstream;
    Upstream.Known = true;
}

SNTPUPSTREAM APPENGINE::GetUpstream()
{
    SETTINGSGUARD guard(&UpstreamLock);
    return Upstream;
}

SNTPREFERENCE APPENGINE::GetSntpReference()
{
    SNTPREFERENCE reference;
    SNTPUPSTREAM upstream = GetUpstream();
    // Before this run's first good query the PC knows nothing of its clock.
    if (!upstream.Known) return reference;
    reference.Stratum = upstream.Stratum + 1;
    reference.ReferenceId = upstream.Address;
    reference.ReferenceTime = upstream.Time;
    // The error bound a client adds up: the upstream's own, our round trip to it, and
    // what the clock may have wandered since.
    reference.RootDelay = add_saturated(upstream.RootDelay, short_of(upstream.Delay));
    ULONGLONG now = Clock.GetTicks();
    unsigned long long elapsedms = now > upstream.Ticks ? now - upstream.Ticks : 0;
    reference.RootDispersion = add_saturated(upstream.RootDispersion,
                                             short_of(upstream.Delay) / 2 +
                                                 elapsedms * 65536 * DRIFT_PPM / 1000000000);
    STRING lastok = GetSetting(KEY::TimeLastOK);
    reference.Synchronised = lastok.Length() > 0 && lastok.Text()[0] == '1' &&
                             GetSettingInt(KEY::TimeLastQuality) <= QUALITY_CLOSE &&
                             ExtraAdjustmentSeconds() == 0;
    return reference;
}
