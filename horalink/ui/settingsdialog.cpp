// The settings dialog: a book of eight data dialog pages over a copy of the
// settings, the font, colour, sound and drift buttons of its pages, and running it.
#include "settingsdialog.h"

#include "appengine.h"
#include "clockfont.h"
#include "filename.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "serverlist.h"
#include "settingkeys.h"
#include "settings.h"
#include "winmisc.h"
#include "winras.h"

#include <commdlg.h>
#include <mmsystem.h>

#include <initializer_list>

// The pages in tab order: template and entry of the page titles.
struct SETTINGSPAGE {
    int Template;
    int Title;
};
static const SETTINGSPAGE PAGES[] = {
    {IDD_SETPROGRAM, 3}, {IDD_SETUPDATE, 5}, {IDD_SETSERVER, 2}, {IDD_SETCONNECTION, 1},
    {IDD_SETDRIFT, 8},   {IDD_SETCLOCK, 4},  {IDD_SETAGENT, 7},  {IDD_SETLAN, 6},
};

// The colour buttons of the dock clock page, their keys and their samples.
struct COLOURBUTTON {
    int Button;
    const char* Key;
    int Swatch;
};
static const COLOURBUTTON COLOURS[] = {
    {IDC_CLOCK_COLOR0, KEY::ClockColor0, IDC_CLOCK_SWATCH0},
    {IDC_CLOCK_COLOR1, KEY::ClockColor1, IDC_CLOCK_SWATCH1},
    {IDC_CLOCK_COLOR2, KEY::ClockColor2, IDC_CLOCK_SWATCH2},
    {IDC_CLOCK_COLORBG, KEY::ClockColorBG, IDC_CLOCK_SWATCHBG},
};
static const int COLOUR_COUNT = 4;

// Longest texts of the fields, as the settings file has always kept them.
static const int TEXT_SHORT = 64;
static const int TEXT_SERVER = 128;
static const int TEXT_AGENT = 80;

// The up-down control the toolkit gives a number field.
static int spin_of(int field) { return field + 1000; }

// Targets are enabled only while source is checked (or, with whenchecked false, is not).
static void rule(DATADIALOG* page, int source, std::initializer_list<int> targets,
                 bool whenchecked = true)
{
    for (int target : targets) page->AddEnableRule(source, target, whenchecked);
}

// The colours the user mixed in the colour dialog, kept for the whole run.
static COLORREF custom_colours[16];

// ---------------------------------------------------------------- SETTINGSDIALOG

SETTINGSDIALOG::SETTINGSDIALOG(HWND owner, const HASH& settings, SYSTEMCLOCK& clock)
    : DATADIALOGBOOK(IDD_SETTINGS, IDC_SETTINGS_TABS, owner), Values(settings), Clock(clock),
      hClockPage(nullptr), Swatches{}
{
    Drift.Seconds = *Bind(KEY::TimeDriftCalc1);
    Drift.Hours = *Bind(KEY::TimeDriftCalc2);
    Drift.Fast = *Bind(KEY::TimeDriftCalc3);
    AddPages();
}

SETTINGSDIALOG::~SETTINGSDIALOG() { FreeSwatches(); }

STRING* SETTINGSDIALOG::Bind(const char* key)
{
    Keys.Add(STRING(key));
    return &Values[key];
}

void SETTINGSDIALOG::AddPages()
{
    STRING titles = OSYS::GetStringFromResource(IDS_SETTINGSPAGES);
    HASHLIST servers = ServerList();
    STRING entries;
    {
        WINRAS ras;
        entries = ras.GetEntryList();
    }
    for (const SETTINGSPAGE& p : PAGES) {
        DATADIALOG* page = AddPage(p.Template, titles.Field(p.Title, "|"));
        if (!page) continue;
        page->SetNotify(PageCommand, this);
        switch (p.Template) {
        case IDD_SETPROGRAM:
            page->AddCheck(IDC_PROGRAM_AUTORUN, Bind(KEY::DlgAutoRun));
            page->AddCheck(IDC_PROGRAM_STARTMIN, Bind(KEY::DlgStartMinimized));
            page->AddCheck(IDC_PROGRAM_CLOSEMIN, Bind(KEY::DlgCloseMinimize));
            page->AddCheck(IDC_PROGRAM_HIDETOOLBAR, Bind(KEY::DlgHideToolbar));
            page->AddCheck(IDC_PROGRAM_HIDEMENU, Bind(KEY::DlgHideMenu));
            page->AddCheck(IDC_PROGRAM_TASKBAR, Bind(KEY::DlgTaskbar));
            page->AddRadio(IDC_PROGRAM_DBLSHOW, Bind(KEY::DlgDblClickMode), 0);
            page->AddRadio(IDC_PROGRAM_DBLCHECK, Bind(KEY::DlgDblClickMode), 1);
            page->AddRadio(IDC_PROGRAM_DBLADJUST, Bind(KEY::DlgDblClickMode), 2);
            page->AddRadio(IDC_PROGRAM_SHIFTCHECK, Bind(KEY::DlgShiftClickMode), 1);
            page->AddRadio(IDC_PROGRAM_SHIFTADJUST, Bind(KEY::DlgShiftClickMode), 2);
            break;
        case IDD_SETUPDATE:
            page->AddEntry(IDC_UPDATE_CYCLIC, Bind(KEY::TimeCyclic), TEXT_SHORT);
            page->AddCheck(IDC_UPDATE_AUTOTIME, Bind(KEY::ProAutoTime));
            page->AddCheck(IDC_UPDATE_CHECKONCE, Bind(KEY::TimeCheckOnce));
            page->AddCheck(IDC_UPDATE_MSGBOX, Bind(KEY::NotifyDoMsgbox));
            page->AddCheck(IDC_UPDATE_SOUND, Bind(KEY::NotifyDoSound));
            page->AddEntry(IDC_UPDATE_SOUNDFILE, Bind(KEY::NotifySoundFile), TEXT_SERVER);
            page->AddCheck(IDC_UPDATE_SOUNDLOOP, Bind(KEY::NotifyDoSoundLoop));
            page->AddSpin(IDC_UPDATE_SOUNDREPEAT, Bind(KEY::NotifySoundLoopRep), 1, 3600);
            page->AddSpin(IDC_UPDATE_NETVARIANCE, Bind(KEY::TimeNetVariance), 5, 5000);
            page->AddSpin(IDC_UPDATE_MAXDIFF, Bind(KEY::TimeMaxDiff), 100, 10000);
            page->AddCheck(IDC_UPDATE_DOMAXADJUST, Bind(KEY::TimeDoMaxAdjust));
            page->AddSpin(IDC_UPDATE_MAXADJUST, Bind(KEY::TimeMaxAdjust), 1, 10000);
            page->AddSpin(IDC_UPDATE_EXTRA, Bind(KEY::TimeExtraAdjustment), -24, 24);
            rule(page, IDC_UPDATE_AUTOTIME, {IDC_UPDATE_CHECKONCE});
            rule(page, IDC_UPDATE_AUTOTIME, {IDC_UPDATE_MSGBOX}, false);
            rule(page, IDC_UPDATE_SOUND,
                 {IDC_UPDATE_SOUNDFILE, IDC_UPDATE_SOUNDCHOOSE, IDC_UPDATE_SOUNDPLAY,
                  IDC_UPDATE_SOUNDLOOP, IDC_UPDATE_SOUNDREPEAT, spin_of(IDC_UPDATE_SOUNDREPEAT)});
            rule(page, IDC_UPDATE_SOUNDLOOP,
                 {IDC_UPDATE_SOUNDREPEAT, spin_of(IDC_UPDATE_SOUNDREPEAT)});
            rule(page, IDC_UPDATE_DOMAXADJUST,
                 {IDC_UPDATE_MAXADJUST, spin_of(IDC_UPDATE_MAXADJUST)});
            break;
        case IDD_SETSERVER: {
            // A server chosen in an older version stays visible in its list.
            bool custom = Values[KEY::TimeDoCustomServer].ToInt() != 0;
            bool customalt = Values[KEY::TimeDoCustomAltServer].ToInt() != 0;
            page->AddRadio(IDC_SERVER_FROMLIST, Bind(KEY::TimeDoCustomServer), 0);
            page->AddRadio(IDC_SERVER_CUSTOM, Bind(KEY::TimeDoCustomServer), 1);
            page->AddHashList(IDC_SERVER_LIST, Bind(KEY::TimeServer),
                              custom ? servers : ServerListWith(servers, Values[KEY::TimeServer]),
                              SERVERLIST_SHOWKEY, SERVERLIST_VALUEKEY);
            page->AddEntry(IDC_SERVER_CUSTOMNAME, Bind(KEY::TimeCustomServer), TEXT_SERVER);
            page->AddCheck(IDC_SERVER_SECOND, Bind(KEY::TimeDoServer2));
            page->AddRadio(IDC_SERVER_SECONDFROMLIST, Bind(KEY::TimeDoCustomAltServer), 0);
            page->AddRadio(IDC_SERVER_SECONDCUSTOM, Bind(KEY::TimeDoCustomAltServer), 1);
            page->AddHashList(IDC_SERVER_SECONDLIST, Bind(KEY::TimeServer2),
                              customalt ? servers : ServerListWith(servers, Values[KEY::TimeServer2]),
                              SERVERLIST_SHOWKEY, SERVERLIST_VALUEKEY);
            page->AddEntry(IDC_SERVER_SECONDCUSTOMNAME, Bind(KEY::TimeCustomAltServer), TEXT_SERVER);
            rule(page, IDC_SERVER_FROMLIST, {IDC_SERVER_LIST});
            rule(page, IDC_SERVER_CUSTOM, {IDC_SERVER_CUSTOMNAME});
            rule(page, IDC_SERVER_SECOND,
                 {IDC_SERVER_SECONDFROMLIST, IDC_SERVER_SECONDCUSTOM, IDC_SERVER_SECONDLIST,
                  IDC_SERVER_SECONDCUSTOMNAME});
            rule(page, IDC_SERVER_SECONDFROMLIST, {IDC_SERVER_SECONDLIST});
            rule(page, IDC_SERVER_SECONDCUSTOM, {IDC_SERVER_SECONDCUSTOMNAME});
            break;
        }
        case IDD_SETCONNECTION: {
            STRINGARRAY list = WINRAS::SplitEntryList(entries);
            page->AddRadio(IDC_CONNECTION_PERMANENT, Bind(KEY::ConnectionType), 0);
            page->AddRadio(IDC_CONNECTION_DIALUP, Bind(KEY::ConnectionType), 1);
            page->AddRadio(IDC_CONNECTION_ANY, Bind(KEY::ConnectionDunAny), 1);
            page->AddRadio(IDC_CONNECTION_ENTRY, Bind(KEY::ConnectionDunAny), 0);
            page->AddList(IDC_CONNECTION_ENTRIES, Bind(KEY::ConnectionEntryToMonitor), list);
            rule(page, IDC_CONNECTION_DIALUP,
                 {IDC_CONNECTION_ANY, IDC_CONNECTION_ENTRY, IDC_CONNECTION_ENTRIES});
            rule(page, IDC_CONNECTION_ENTRY, {IDC_CONNECTION_ENTRIES});
            break;
        }
        case IDD_SETDRIFT:
            page->AddCheck(IDC_DRIFT_ADJUST, Bind(KEY::TimeDriftDoAdjust));
            page->AddEntry(IDC_DRIFT_ADJUSTMENT, Bind(KEY::TimeDriftAdjustment));
            break;
        case IDD_SETCLOCK:
            page->AddCheck(IDC_CLOCK_TENTHS, Bind(KEY::ClockTenths));
            page->AddCheck(IDC_CLOCK_ANIMATION, Bind(KEY::ClockAnimation));
            page->AddCheck(IDC_CLOCK_DATELONG, Bind(KEY::ClockDateLong));
            page->AddCheck(IDC_CLOCK_DOCKED, Bind(KEY::ClockDocked));
            page->AddCheck(IDC_CLOCK_TOPMOST, Bind(KEY::ClockTopmost));
            page->AddCheck(IDC_CLOCK_DOTRANSPARENCY, Bind(KEY::ClockDoTransparency));
            page->AddSpin(IDC_CLOCK_TRANSPARENCY, Bind(KEY::ClockTransparency), 1, 255);
            page->AddPush(IDC_CLOCK_FONT, Bind(KEY::ClockFont), PickFont, this);
            for (const COLOURBUTTON& c : COLOURS)
                page->AddPush(c.Button, Bind(c.Key), PickColour, this);
            rule(page, IDC_CLOCK_DOCKED, {IDC_CLOCK_TOPMOST}, false);
            rule(page, IDC_CLOCK_DOTRANSPARENCY,
                 {IDC_CLOCK_TRANSPARENCY, spin_of(IDC_CLOCK_TRANSPARENCY)});
            break;
        case IDD_SETAGENT:
            page->AddCheck(IDC_AGENT_ACTIVE, Bind(KEY::AgentSupportActive));
            page->AddCheck(IDC_AGENT_MUTE, Bind(KEY::AgentMuteText));
            page->AddCheck(IDC_AGENT_SHORTANIM, Bind(KEY::AgentShortAnim));
            page->AddEntry(IDC_AGENT_CORRECT, Bind(KEY::AgentTextCorrect), TEXT_AGENT);
            page->AddEntry(IDC_AGENT_NOTCORRECT, Bind(KEY::AgentTextNotCorrect), TEXT_AGENT);
            page->AddEntry(IDC_AGENT_ADJUSTED, Bind(KEY::AgentTextAdjusted), TEXT_AGENT);
            rule(page, IDC_AGENT_ACTIVE,
                 {IDC_AGENT_MUTE, IDC_AGENT_SHORTANIM, IDC_AGENT_CORRECT, IDC_AGENT_NOTCORRECT,
                  IDC_AGENT_ADJUSTED, IDC_AGENT_TRY, IDC_AGENT_CHARACTER});
            // Trying the character out and choosing another one are not offered yet.
            page->DisableItem(IDC_AGENT_TRY);
            page->DisableItem(IDC_AGENT_CHARACTER);
            break;
        case IDD_SETLAN:
            page->AddCheck(IDC_LAN_SERVER, Bind(KEY::LanDoServer));
            page->AddCheck(IDC_LAN_NEW, Bind(KEY::LanBrodcastNew));
            page->AddCheck(IDC_LAN_CYCLIC, Bind(KEY::LanBrodcastCyclic));
            page->AddEntry(IDC_LAN_HOURS, Bind(KEY::LanBrodcastCyclicHours), TEXT_SHORT);
            page->AddCheck(IDC_LAN_SNTP, Bind(KEY::LanSntpServer));
            rule(page, IDC_LAN_CYCLIC, {IDC_LAN_HOURS});
            rule(page, IDC_LAN_SERVER, {IDC_LAN_NEW, IDC_LAN_CYCLIC, IDC_LAN_HOURS, IDC_LAN_SNTP});
            break;
        default: break;
        }
    }
}

INT_PTR SETTINGSDIALOG::DlgProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetText(OSYS::GetStringFromResource(IDS_SETTINGSPAGES).Field(0, "|"));
        // The book lays the pages below every row of tabs as it creates them.
        INT_PTR focus = DATADIALOGBOOK::DlgProc(message, wParam, lParam);
        hClockPage = nullptr;
        for (int i = 0; i < PageCount; i++) {
            DATADIALOG* page = Pages[i];
            // The pages exist now: show what their values stand for.
            if (page->GetTemplateId() == IDD_SETDRIFT) {
                DRIFTTEXTS texts = APPENGINE::CalculateDrift(
                    Drift.Seconds.ToInt(), Drift.Hours.ToInt(), Drift.Fast.ToInt(), Clock);
                SetDlgItemTextA(page->hWnd, IDC_DRIFT_INCREMENT, texts.Increment);
            }
            if (page->GetTemplateId() == IDD_SETCLOCK) {
                hClockPage = page->hWnd;
                ShowFont(page->hWnd, Values[KEY::ClockFont]);
                for (const COLOURBUTTON& c : COLOURS)
                    ShowColour(page->hWnd, c.Button, Values[c.Key]);
            }
        }
        return focus;
    }
    case WM_COMMAND:
        // OK (a click or Enter) with a drift correction the engine would refuse: the
        // user corrects it on its page instead of learning later that it was dropped.
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK && !DriftAcceptable()) return TRUE;
        // Help on the page shown, not on the frame.
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_DIALOGHELP) {
            int selected = GetSelectedPage();
            if (selected >= 0 && selected < PageCount)
                WINDOWS::RequestHelp(Pages[selected]->hWnd, Pages[selected]->GetTemplateId());
            return TRUE;
        }
        break;
    case WM_DESTROY:
        // The samples go while their controls still exist to hand them back.
        FreeSwatches();
        break;
    default: break;
    }
    return DATADIALOGBOOK::DlgProc(message, wParam, lParam);
}

bool SETTINGSDIALOG::DriftAcceptable()
{
    DWORD increment = 0;
    // Without a clock tick no correction is ever applied, and there is no band to hold.
    if (!Clock.GetTickIncrement(increment) || increment == 0) return true;
    for (int i = 0; i < PageCount; i++) {
        DATADIALOG* page = Pages[i];
        if (page->GetTemplateId() != IDD_SETDRIFT || !page->hWnd) continue;
        char typed[64] = "";
        GetDlgItemTextA(page->hWnd, IDC_DRIFT_ADJUSTMENT, typed, sizeof typed);
        long long nanoseconds = STRING(typed).ToInt64();
        if (APPENGINE::DriftInBand(nanoseconds, increment)) return true;
        Logit("SETTINGSDIALOG::DriftAcceptable refuses %lld ns per tick\n", nanoseconds);
        WINKELVO::WarningMsgBox(hWnd, OSYS::GetStringFromResource(IDS_MSGTITLE),
                                APPENGINE::DriftRefusedText(nanoseconds, APPENGINE::DriftLimit(increment)));
        SelectPage(i);
        SetFocus(GetDlgItem(page->hWnd, IDC_DRIFT_ADJUSTMENT));
        return false;
    }
    return true;
}

void SETTINGSDIALOG::SaveItems()
{
    DATADIALOGBOOK::SaveItems();
    if (!TakeBack) return;
    Values[KEY::TimeDriftCalc1] = Drift.Seconds;
    Values[KEY::TimeDriftCalc2] = Drift.Hours;
    Values[KEY::TimeDriftCalc3] = Drift.Fast;
}

void SETTINGSDIALOG::CopyValues(HASH& settings)
{
    for (int i = 0; i < Keys.GetCount(); i++) {
        const char* key = Keys[i].Text();
        settings[key] = Values[key];
    }
}

bool SETTINGSDIALOG::PageCommand(DATADIALOG* page, UINT message, WPARAM wParam, LPARAM,
                                 void* context)
{
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
    SETTINGSDIALOG* self = static_cast<SETTINGSDIALOG*>(context);
    int id = LOWORD(wParam);
    switch (page->GetTemplateId()) {
    case IDD_SETUPDATE:
        if (id == IDC_UPDATE_SOUNDCHOOSE) {
            self->ChooseSoundFile(page->hWnd);
            return true;
        }
        if (id == IDC_UPDATE_SOUNDPLAY) {
            self->PlaySoundFile(page->hWnd);
            return true;
        }
        break;
    case IDD_SETDRIFT:
        if (id == IDC_DRIFT_CALCULATE) {
            RunDriftCalculator(self->hWnd, page->hWnd, self->Drift, self->Clock);
            return true;
        }
        break;
    default: break;
    }
    return false;
}

STRING SETTINGSDIALOG::PickFont(HWND page, int, const STRING& value, void* context)
{
    SETTINGSDIALOG* self = static_cast<SETTINGSDIALOG*>(context);
    LOGFONTA font;
    if (!ClockFontFromValue(value, &font)) ClockFontFromValue(DefaultClockFont(), &font);
    CHOOSEFONTA choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = self->hWnd;
    choose.lpLogFont = &font;
    choose.Flags = CF_INITTOLOGFONTSTRUCT | CF_SCREENFONTS;
    if (!ChooseFontA(&choose)) return value;
    STRING chosen = ClockFontValue(font);
    self->ShowFont(page, chosen);
    return chosen;
}

STRING SETTINGSDIALOG::PickColour(HWND page, int id, const STRING& value, void* context)
{
    SETTINGSDIALOG* self = static_cast<SETTINGSDIALOG*>(context);
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = self->hWnd;
    choose.rgbResult = static_cast<COLORREF>(value.ToInt64());
    choose.lpCustColors = custom_colours;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&choose)) return value;
    STRING chosen(static_cast<unsigned long>(choose.rgbResult));
    self->ShowColour(page, id, chosen);
    return chosen;
}

void SETTINGSDIALOG::ShowFont(HWND page, const STRING& value)
{
    LOGFONTA font;
    if (!ClockFontFromValue(value, &font)) ClockFontFromValue(DefaultClockFont(), &font);
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    STRING parts = OSYS::GetStringFromResource(IDS_FONTSAMPLE);
    STRING text;
    // Filled by hand: a translator's stray placeholder must not read garbage.
    text = parts.Field(0, "|");
    STRING size(MulDiv(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, 72, dpi > 0 ? dpi : 96));
    text.Replace("%s", font.lfFaceName);
    text.Replace("%d", size);
    if (font.lfWeight >= FW_BOLD) text.Append(", ").Append(parts.Field(1, "|"));
    if (font.lfItalic) text.Append(", ").Append(parts.Field(2, "|"));
    SetDlgItemTextA(page, IDC_CLOCK_FONTSAMPLE, text);
}

void SETTINGSDIALOG::ShowColour(HWND page, int button, const STRING& value)
{
    for (int i = 0; i < COLOUR_COUNT; i++) {
        if (COLOURS[i].Button != button) continue;
        HWND swatch = GetDlgItem(page, COLOURS[i].Swatch);
        if (!swatch) return;
        RECT r;
        GetClientRect(swatch, &r);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
        ReleaseDC(nullptr, screen);
        if (!dc || !bitmap) {
            if (dc) DeleteDC(dc);
            if (bitmap) DeleteObject(bitmap);
            return;
        }
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH fill = CreateSolidBrush(static_cast<COLORREF>(value.ToInt64()));
        FillRect(dc, &r, fill);
        DeleteObject(fill);
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        SelectObject(dc, old);
        DeleteDC(dc);
        HBITMAP given = reinterpret_cast<HBITMAP>(
            SendMessageA(swatch, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
        // The control may hand back a copy it made of the previous picture.
        if (given && given != Swatches[i]) DeleteObject(given);
        if (Swatches[i]) DeleteObject(Swatches[i]);
        Swatches[i] = bitmap;
        return;
    }
}

void SETTINGSDIALOG::FreeSwatches()
{
    for (int i = 0; i < COLOUR_COUNT; i++) {
        if (!Swatches[i]) continue;
        HWND swatch = hClockPage ? GetDlgItem(hClockPage, COLOURS[i].Swatch) : nullptr;
        if (swatch) {
            HBITMAP given = reinterpret_cast<HBITMAP>(
                SendMessageA(swatch, STM_SETIMAGE, IMAGE_BITMAP, 0));
            if (given && given != Swatches[i]) DeleteObject(given);
        }
        DeleteObject(Swatches[i]);
        Swatches[i] = nullptr;
    }
    hClockPage = nullptr;
}

// A sound named without a folder is looked for beside the program first.
static STRING sound_path(const STRING& file)
{
    if (file.Length() == 0 || PathIsAbsolute(file)) return file;
    FILENAME beside(KELVOAPP::ProgramDir(), file);
    return OSYS::FileExists(beside) ? STRING(beside) : file;
}

void SETTINGSDIALOG::ChooseSoundFile(HWND page)
{
    STRING texts = OSYS::GetStringFromResource(IDS_SOUNDFILE);
    STRING types = texts.Field(1, "|");
    types += "|*.wav";
    char current[MAX_PATH] = "";
    GetDlgItemTextA(page, IDC_UPDATE_SOUNDFILE, current, sizeof current);
    STRINGARRAY chosen =
        FileDialog(hWnd, sound_path(current), texts.Field(0, "|"), false, false, types);
    if (chosen.GetCount() > 0) SetDlgItemTextA(page, IDC_UPDATE_SOUNDFILE, chosen[0]);
}

void SETTINGSDIALOG::PlaySoundFile(HWND page)
{
    char file[MAX_PATH] = "";
    GetDlgItemTextA(page, IDC_UPDATE_SOUNDFILE, file, sizeof file);
    STRING path = sound_path(file);
    Logit("SETTINGSDIALOG::PlaySound %s\n", path.Text());
    if (path.Length() > 0) PlaySoundA(path, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

// ---------------------------------------------------------------- running

bool RunSettingsDialog(HWND owner, HASH& settings, CRITSECT* lock, const char* datafolder,
                       SYSTEMCLOCK& clock, SETTINGSEVENTS& events, int startpage)
{
    Logit("RunSettingsDialog page %d\n", startpage);
    HASH copy;
    {
        SETTINGSGUARD guard(lock);
        copy = settings;
    }
    SETTINGSDIALOG dialog(owner, copy, clock);
    if (startpage > 0 && startpage < dialog.GetPageCount()) dialog.SelectPage(startpage);
    bool ok = dialog.Run() == IDOK && dialog.IsTakeBack();
    if (ok) {
        {
            SETTINGSGUARD guard(lock);
            dialog.CopyValues(settings);
        }
        SETTINGS::Accept(settings, lock, datafolder, events);
    }
    Logit("RunSettingsDialog returns %d\n", ok);
    return ok;
}
