#include "BarPopupMenu.h"
