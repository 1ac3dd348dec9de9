// Watching for the test process's own dialogs and answering them in turn.
#include "boxwatch.h"

BOXWATCH::BOXWATCH(const std::string& titlepart, std::vector<int> buttons)
{
    if (buttons.empty()) buttons.push_back(IDOK);
    worker = std::thread([this, titlepart, buttons]() {
        while (!stop) {
            HWND box = WaitForDialog(titlepart, GetCurrentProcessId(), 50);
            if (!box) continue;
            DIALOGSEEN one;
            one.found = true;
            one.title = WindowText(box);
            one.text = DialogStaticText(box);
            size_t n = seen.size();
            seen.push_back(one);
            PressDialogButton(box, buttons[n < buttons.size() ? n : buttons.size() - 1]);
            // The next look must not find the same box again.
            while (!stop && IsWindow(box) && IsWindowVisible(box)) Sleep(10);
        }
    });
}

BOXWATCH::~BOXWATCH() { Stop(); }

const std::vector<DIALOGSEEN>& BOXWATCH::Stop()
{
    stop = true;
    if (worker.joinable()) worker.join();
    return seen;
}
