// Times RecordingFolderParser::recordings over 1,000 meeting sub-folders of six files each
// against a bare recursive walk of the same tree, and against that walk plus one FFmpeg duration
// read per media file. Prints the figures and the ratios; all runs happen in this one process.
#include "platform/MediaDuration.h"
#include "services/RecordingFolderParser.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool ffmpeg(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")} +
                      arguments);
    return process.waitForFinished(-1) && process.exitCode() == 0;
}

// One set of small real media files, made once and copied into every meeting folder.
bool makeTemplates(const QDir& folder) {
    const QStringList tone{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           QStringLiteral("sine=frequency=300:duration=2")};
    return ffmpeg(tone + QStringList{folder.filePath(QStringLiteral("a.m4a"))}) &&
           ffmpeg(tone + QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                     QStringLiteral("color=c=gray:s=32x32:d=2"), QStringLiteral("-shortest"),
                                     folder.filePath(QStringLiteral("v.mp4"))});
}

void buildTree(const QDir& templates, const QDir& root, int meetings) {
    for (int i = 0; i < meetings; ++i) {
        const QDir meeting(root.filePath(QStringLiteral("Meeting %1").arg(i)));
        meeting.mkpath(QStringLiteral("Audio Record"));
        QFile::copy(templates.filePath(QStringLiteral("v.mp4")),
                    meeting.filePath(QStringLiteral("zoom_0.mp4")));
        QFile::copy(templates.filePath(QStringLiteral("a.m4a")),
                    meeting.filePath(QStringLiteral("audio_only.m4a")));
        QFile::copy(templates.filePath(QStringLiteral("a.m4a")),
                    meeting.filePath(QStringLiteral("Audio Record/Jane_1.m4a")));
        QFile::copy(templates.filePath(QStringLiteral("a.m4a")),
                    meeting.filePath(QStringLiteral("Audio Record/John_2.m4a")));
        QFile chat(meeting.filePath(QStringLiteral("meeting_saved_chat.txt")));
        chat.open(QIODevice::WriteOnly);
        chat.write("10:00:01 From Jane to Everyone: hello\n");
        QFile captions(meeting.filePath(QStringLiteral("closed_caption.vtt")));
        captions.open(QIODevice::WriteOnly);
        captions.write("WEBVTT\n\n00:00.000 --> 00:01.000\nhello\n");
    }
}

double medianMilliseconds(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QStringList walk(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isFile())
            files << it.filePath();
    }
    return files;
}

bool isMedia(const QString& path) {
    return path.endsWith(QStringLiteral(".m4a")) || path.endsWith(QStringLiteral(".mp4"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int meetings = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = 3;
    QTemporaryDir work;
    const QDir templates(work.path());
    if (!makeTemplates(templates)) {
        std::fprintf(stderr, "ffmpeg could not make the media templates\n");
        return 1;
    }
    const QString root = work.filePath(QStringLiteral("tree"));
    QDir().mkpath(root);
    buildTree(templates, QDir(root), meetings);

    const QStringList files = walk(root);
    const auto mediaCount = static_cast<std::size_t>(std::count_if(files.cbegin(), files.cend(), isMedia));
    const double walkOnlyMs = medianMilliseconds(runs, [&] { (void)walk(root); });
    const double walkAndDurationsMs = medianMilliseconds(runs, [&] {
        for (const QString& file : walk(root)) {
            if (isMedia(file))
                (void)MediaDuration::seconds(file);
        }
    });
    std::size_t recordings = 0;
    const RecordingFolderParser parser;
    const double parserMs = medianMilliseconds(runs, [&] { recordings = parser.recordings(root).size(); });

    const double durationMsPerFile = (walkAndDurationsMs - walkOnlyMs) / static_cast<double>(mediaCount);
    std::printf("meetings: %d (%zu recordings parsed), files: %lld, media files: %zu, median of %d runs\n",
                meetings, recordings, static_cast<long long>(files.size()), mediaCount, runs);
    std::printf("bare recursive walk:                 %8.1f ms\n", walkOnlyMs);
    std::printf("walk + one duration read per media:  %8.1f ms  (%.3f ms per media file for the duration)\n",
                walkAndDurationsMs, durationMsPerFile);
    std::printf("RecordingFolderParser::recordings:   %8.1f ms\n", parserMs);
    std::printf("ratio parser / bare walk:            %8.2f\n", parserMs / walkOnlyMs);
    std::printf("ratio parser / (walk + durations):   %8.2f  (goal <= 2)\n", parserMs / walkAndDurationsMs);
    return 0;
}
