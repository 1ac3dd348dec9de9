// The drift calculator, a data dialog bound to the calculator's three values; the
// arithmetic belongs to the engine.
#include "driftdialog.h"

#include "appengine.h"
#include "datadialogs.h"
#include "horalinkres.h"
#include "kelvo.h"

bool RunDriftCalculator(HWND owner, HWND driftpage, DRIFTVALUES& values, SYSTEMCLOCK& clock)
{
    Logit("RunDriftCalculator\n");
    DATADIALOGBOX dialog(IDD_DRIFTCALC, owner);
    dialog.AddSpin(IDC_DRIFTCALC_SECONDS, &values.Seconds, 0, DRIFTCALC_SECONDS_MAX);
    dialog.AddSpin(IDC_DRIFTCALC_HOURS, &values.Hours, DRIFTCALC_HOURS_MIN, DRIFTCALC_HOURS_MAX);
    dialog.AddRadio(IDC_DRIFTCALC_SLOW, &values.Fast, 0);
    dialog.AddRadio(IDC_DRIFTCALC_FAST, &values.Fast, 1);
    bool ok = dialog.Run() == IDOK && dialog.IsTakeBack();
    if (ok) {
        DRIFTTEXTS texts = APPENGINE::CalculateDrift(values.Seconds.ToInt(), values.Hours.ToInt(),
                                                     values.Fast.ToInt(), clock);
        SetDlgItemTextA(driftpage, IDC_DRIFT_INCREMENT, texts.Increment);
        SetDlgItemTextA(driftpage, IDC_DRIFT_ADJUSTMENT, texts.Adjustment);
    }
    Logit("RunDriftCalculator returns %d\n", ok);
    return ok;
}
