// The Win32 platform services: the system's case mapping, short date, clock and files.
#pragma once

#include "Platform.h"

PlatformServices& Win32Platform();
