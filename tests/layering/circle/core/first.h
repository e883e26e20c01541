// Half of a circle the layering check must refuse.
#pragma once
#include "core/second.h"
