#include "app/cli/CliCommands.h"

int runExportCommand(const CliContext& context) {
    context.err << "The export command is not available yet.\n";
    return 2;
}
