// The installer's name and version, shared by the code and the resource scripts.
#pragma once

#define SETUP_NAME "setup"
#define SETUP_VERSION "1.00"
#define SETUP_VERSION_NUMBERS 1, 0, 0, 0
