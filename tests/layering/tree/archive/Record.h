#pragma once
#include "common/Text.h"
