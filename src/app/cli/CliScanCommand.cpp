#include "app/cli/CliCommands.h"

int runScanCommand(const CliContext& context) {
    context.err << "The scan command is not available yet.\n";
    return 2;
}
