// Reads the watch from below it.

#include "app/Watch.h"
