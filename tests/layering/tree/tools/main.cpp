#include "app/Watch.h"
