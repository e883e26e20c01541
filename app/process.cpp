// The process-wide values fixed at start-up.
#include "core/jobstate.h"

TProcessState& Process() {
  static TProcessState state;
  return state;
}
