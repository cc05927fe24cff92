#pragma once
#include "archive/Record.h"
