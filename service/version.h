// The service controller's name and version.
#pragma once

#define SERVICE_NAME "service"
#define SERVICE_VERSION "1.00"
#define SERVICE_VERSION_NUMBERS 1, 0, 0, 0
