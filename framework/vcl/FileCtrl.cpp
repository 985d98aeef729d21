#include "FileCtrl.h"
