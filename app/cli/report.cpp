#include "app/cli/commands.h"
int RunInfo(const TReportRun&) { return 2; }
int RunCheck(const TReportRun&) { return 2; }
int RunLibraryList(const TReportRun&) { return 2; }
