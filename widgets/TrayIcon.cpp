#include "TrayIcon.h"
