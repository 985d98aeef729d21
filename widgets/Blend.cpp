#include "Blend.h"
