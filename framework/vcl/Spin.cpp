#include "Spin.h"
