// INFOWINDOW, the notice shown before the controller dialog: what a service is for,
// with "Do not show this window again".
#pragma once

#include "window.h"

const char INFOWINDOW_CLASS[] = "KelvoWinClassInfoWindow";
// The value below the product's key that keeps the window away.
const char INFOWINDOW_DONTSHOW[] = "DontShowAgainSrvCtrl";

class INFOWINDOW : public WINDOW {
public:
    // product: the name put into the notice; regkey: the product's key below Software\Kelvo.
    INFOWINDOW(const char* product, const char* regkey);
    ~INFOWINDOW() override;

    // Whether the user asked not to see the window again.
    static bool Suppressed(const char* regkey);
    // Creates and shows the window; false when it could not be created.
    bool Open();

    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout(int width, int height);

    STRING Product;
    STRING RegKey;
    STRING Notice;
    HFONT hFont;
};
