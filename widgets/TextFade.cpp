#include "TextFade.h"
