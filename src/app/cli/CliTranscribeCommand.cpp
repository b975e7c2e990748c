#include "app/cli/CliCommands.h"

int runTranscribeCommand(const CliContext& context) {
    context.err << "The transcribe command is not available yet.\n";
    return 2;
}
