#include "app/cli/CliCommands.h"

int runSearchCommand(const CliContext& context) {
    context.err << "The search command is not available yet.\n";
    return 2;
}
