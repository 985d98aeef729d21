#include "TrayIconCore.h"
