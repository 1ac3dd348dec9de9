// The version upgrade at start-up: the set-up wizard when the connection needs it,
// the information box for a first start or an old version, and the new version saved.
#include "versionupgrade.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"
#include "settings.h"
#include "setupwizard.h"
#include "version.h"
#include "winhelp.h"
#include "winmisc.h"
#include "winras.h"

#include <cstring>

bool NeedsSetupWizard(HASH& settings, const STRING& entries)
{
    int type = settings[KEY::ConnectionType].ToInt();
    if (type == -1) return true;
    // With any dial-up connection counting, no entry has to exist.
    if (type != 1 || settings[KEY::ConnectionDunAny].ToInt() != 0) return false;
    const STRING& watched = settings[KEY::ConnectionEntryToMonitor];
    STRINGARRAY list = WINRAS::SplitEntryList(entries);
    // Entry names are compared byte for byte, as the remote-access service does.
    for (int i = 0; i < list.GetCount(); i++)
        if (strcmp(list[i].Text(), watched.Text()) == 0) return false;
    return true;
}

UPGRADERESULT VersionUpgrade(HASH& settings, const char* datafolder, HWND owner, HELPFILE* help,
                             unsigned long now)
{
    Logit("APP::VersionUpgrade %s\n", settings[KEY::Version].Text());
    UPGRADERESULT result;
    STRING entries;
    {
        WINRAS ras;
        entries = ras.GetEntryList();
    }
    WIZARDRESULT wizard;
    if (NeedsSetupWizard(settings, entries)) {
        result.WizardRan = true;
        wizard = RunSetupWizard(owner, settings, entries, now);
    }
    if (_stricmp(settings[KEY::Version].Text(), SETTINGS_INFO_BELOW_VERSION) < 0) {
        WINKELVO::InfoMsgBox(owner, OSYS::GetStringFromResource(IDS_MSGTITLE),
                             OSYS::GetStringFromResource(IDS_UPGRADEINFO));
        if (help) help->ShowTopic(HELPTOPIC_FIRSTSTEPS);
    }
    settings[KEY::Version] = HORALINK_VERSION;
    result.Saved = SETTINGS::Save(settings, datafolder);
    if (wizard.Finished && wizard.Style == WIZARDSTYLE_LIVELY) {
        settings[KEY::AgentSupportActive] = "1";
        result.StartAgent = true;
    }
    Logit("APP::VersionUpgrade done, wizard %d, agent %d, saved %d\n", result.WizardRan,
          result.StartAgent, result.Saved);
    return result;
}
