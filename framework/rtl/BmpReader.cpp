#include "BmpReader.h"
