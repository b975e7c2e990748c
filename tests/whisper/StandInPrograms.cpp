#include "StandInPrograms.h"

#include "support/FixtureFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char* const whisperScript = R"(#!/bin/sh
here=$(dirname "$0")
printf '%s\n' "$@" > "$here/arguments"
env > "$here/environment"
base=""
previous=""
for argument in "$@"; do
    [ "$previous" = "-of" ] && base="$argument"
    previous="$argument"
done
audio=""
previous=""
for argument in "$@"; do
    [ "$previous" = "-f" ] && audio=$(basename "$argument")
    previous="$argument"
done
if [ -f "$here/result-$audio.json" ]; then
    cp "$here/result-$audio.json" "$base.json"
elif [ -f "$here/result.json" ]; then
    cp "$here/result.json" "$base.json"
fi
ending=$(cat "$here/ending")
case "$ending" in
crash) kill -SEGV $$ ;;
wait)
    trap 'touch "$here/terminated"; exit 143' TERM
    touch "$here/started"
    while :; do sleep 0.02; done ;;
*) exit "$ending" ;;
esac
)";

void makeExecutable(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

} // namespace

StandInWhisper::StandInWhisper(const QString& folder)
    : m_folder(folder) {
    FixtureFiles::write(program(), whisperScript);
    makeExecutable(program());
    setEnding(Ending::exit, 0);
}

QString StandInWhisper::program() const {
    return file(QStringLiteral("bin/whisper-cli"));
}

void StandInWhisper::setResult(const QByteArray& json, const QString& audioFileName) {
    const QString name = audioFileName.isEmpty() ? QStringLiteral("result.json")
                                                 : QStringLiteral("result-%1.json").arg(audioFileName);
    FixtureFiles::write(file(QStringLiteral("bin/") + name), json);
}

void StandInWhisper::setEnding(Ending ending, int status) {
    const QByteArray text = ending == Ending::crash              ? QByteArray("crash")
                            : ending == Ending::waitForTerminate ? QByteArray("wait")
                                                                 : QByteArray::number(status);
    FixtureFiles::write(file(QStringLiteral("bin/ending")), text);
}

QStringList StandInWhisper::arguments() const {
    QFile input(file(QStringLiteral("bin/arguments")));
    if (!input.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(input.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

std::optional<QString> StandInWhisper::variable(const QString& name) const {
    QFile input(file(QStringLiteral("bin/environment")));
    if (!input.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QString& line : QString::fromUtf8(input.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(name + QLatin1Char('=')))
            return line.mid(name.size() + 1);
    return std::nullopt;
}

bool StandInWhisper::hasStarted() const {
    return QFileInfo::exists(file(QStringLiteral("bin/started")));
}

bool StandInWhisper::wasTerminated() const {
    return QFileInfo::exists(file(QStringLiteral("bin/terminated")));
}

QString StandInWhisper::file(const QString& name) const {
    return QDir(m_folder).filePath(name);
}

QString writeStandInConverter(const QString& folder, int status) {
    const QString path = QDir(folder).filePath(QStringLiteral("converter"));
    FixtureFiles::write(
        path, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/converter-arguments\"\n"
                             "cp \"$5\" \"$6\"\nexit %1\n")
                  .arg(status)
                  .toUtf8());
    makeExecutable(path);
    return path;
}

QStringList standInConverterArguments(const QString& folder) {
    QFile input(QDir(folder).filePath(QStringLiteral("converter-arguments")));
    if (!input.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(input.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

MeetingRecording recordingOf(const QString& folder, const std::vector<RecordingAsset>& assets) {
    return {folder, QFileInfo(folder).fileName(), MeetingRecording::earliestDate(), assets};
}

RecordingAsset asset(const QString& path, RecordingAssetKind kind, std::optional<double> duration) {
    if (!QFileInfo::exists(path))
        FixtureFiles::write(path, "audio");
    return {path, QFileInfo(path).fileName(), kind, QFileInfo(path).size(), duration};
}

QStringList temporaryFolderEntries() {
    return QDir(QDir::tempPath())
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QByteArray whisperJson(const std::vector<std::tuple<int, int, QString>>& segments,
                       const QString& extraMembers) {
    QStringList items;
    for (const auto& [from, to, text] : segments)
        items << QStringLiteral(R"({"offsets":{"from":%1,"to":%2},"text":"%3"})").arg(from).arg(to).arg(text);
    QString json = QStringLiteral(R"({"transcription":[%1])").arg(items.join(QLatin1Char(',')));
    if (!extraMembers.isEmpty())
        json += QLatin1Char(',') + extraMembers;
    return (json + QLatin1Char('}')).toUtf8();
}
