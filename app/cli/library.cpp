#include "app/cli/commands.h"
int RunLibraryExport(const TExportRun&) { return 2; }
int RunLibraryBuild(const TBuildRun&) { return 2; }
int RunLibrarySplit(const TSplitRun&) { return 2; }
