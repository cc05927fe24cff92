#include "app/Watch.h"
#include "app/Missing.h"
