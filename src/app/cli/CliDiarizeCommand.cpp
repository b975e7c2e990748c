#include "app/cli/CliCommands.h"

int runDiarizeCommand(const CliContext& context) {
    context.err << "The diarize command is not available yet.\n";
    return 2;
}
