// The uninstall wizard's pages: feedback (with the mail to the maker), options (keep or
// remove the user's data) and removal with its progress.
#pragma once

#include "setupsteps.h"
#include "strings.h"

// Longest feedback text.
const int FEEDBACK_MAXTEXT = 1024;
// Where feedback goes when the installation stored no UninstallEmail: recipient;server.
const char* const FEEDBACK_DEFAULTMAIL = "feedback@kelvo.example;mail.kelvo.example";

INT_PTR FeedbackPage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR OptionsPage(SETUPDIALOGBOX* frame, SETUPSTEP* step);
INT_PTR RemovalPage(SETUPDIALOGBOX* frame, SETUPSTEP* step);

// The feedback mail's header from the uninstall key's values: setting is
// "recipient;server" (null: the default), version null or empty reads "0.00". False
// when the recipient has no "@" or the server no "." (nothing is sent then).
struct FEEDBACKMAIL {
    STRING Sender, Recipient, Server, Subject;
};
bool MakeFeedbackMail(const char* product, const char* version, const char* setting, FEEDBACKMAIL& mail);
