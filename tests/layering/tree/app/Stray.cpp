#include "app/Missing.h"
#include "app/Watch.h"
