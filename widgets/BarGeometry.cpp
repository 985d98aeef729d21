#include "BarGeometry.h"
