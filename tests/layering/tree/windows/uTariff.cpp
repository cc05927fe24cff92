#include "tariff/Price.h"
