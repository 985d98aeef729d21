#include "FaderCore.h"
