// The program's name and version, shared by the code and the resource scripts.
#pragma once

#define HORALINK_NAME "horalink"
#define HORALINK_VERSION "1.00"
#define HORALINK_VERSION_NUMBERS 1, 0, 0, 0
