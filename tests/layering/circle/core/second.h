// The other half of the circle.
#pragma once
#include "core/first.h"
