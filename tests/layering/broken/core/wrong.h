// A core header that reaches up into the job framework: the layering check
// must refuse this tree.
#pragma once

#include "app/baseform.h"
