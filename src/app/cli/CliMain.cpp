// tallybrook-cli: the workflows of the desktop app without a window, for scripts and servers.
#include "app/cli/CliCommands.h"
#include "models/CancelledError.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <functional>
#include <map>

namespace {

const char* const usageText = R"(Usage: tallybrook-cli [--storage DIR] COMMAND [ARGUMENTS]

Commands:
  scan FOLDER                       list the recordings of a folder as JSON
  transcribe FOLDER [--all] [--language L] [--model M]
             [--whisper PROGRAM --model-file FILE]
                                    transcribe and save a recording
  diarize AUDIO [--rttm NAME]       print who speaks when
  search QUERY [--json]             search the saved transcripts
  export TRANSCRIPT_FILE --format html|markdown|text [-o FILE]
                                    render a saved transcript
)";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tallybrook"));
    QCoreApplication::setApplicationName(QStringLiteral("Tallybrook"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = app.arguments().mid(1);
    QString storage;
    if (arguments.size() >= 2 && arguments.first() == QStringLiteral("--storage")) {
        storage = QDir::cleanPath(QDir::current().absoluteFilePath(arguments.at(1)));
        arguments = arguments.mid(2);
    }
    if (arguments.isEmpty() || arguments.first() == QStringLiteral("--help") ||
        arguments.first() == QStringLiteral("-h")) {
        (arguments.isEmpty() ? err : out) << usageText;
        return arguments.isEmpty() ? 2 : 0;
    }

    const std::map<QString, std::function<int(const CliContext&)>> commands = {
        {QStringLiteral("scan"), runScanCommand},       {QStringLiteral("transcribe"), runTranscribeCommand},
        {QStringLiteral("diarize"), runDiarizeCommand}, {QStringLiteral("search"), runSearchCommand},
        {QStringLiteral("export"), runExportCommand},
    };
    const auto command = commands.find(arguments.first());
    if (command == commands.end()) {
        err << "Unknown command: " << arguments.first() << "\n\n" << usageText;
        return 2;
    }
    const CliContext context{arguments.mid(1), storage, out, err};
    try {
        return command->second(context);
    } catch (const CancelledError&) {
        err << "Cancelled\n";
        return 130;
    } catch (const std::exception& error) {
        err << QString::fromUtf8(error.what()) << '\n';
        return 1;
    }
}
