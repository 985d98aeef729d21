#include "ComCtrls.h"
