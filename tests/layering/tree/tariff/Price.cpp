#include "archive/Record.h"
