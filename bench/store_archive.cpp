// Times the saved-transcript archive over 2,000 generated transcripts of about 50 KB each: the
// first listing without a cache file, the first listing of a new index with a valid cache file,
// and a search per keystroke from memory. Baselines in the same run: reading every transcript
// file once, reading the cache file once, and `grep -F -i -l -r` for each query.
#include "models/JsonFormat.h"
#include "platform/FileAccess.h"
#include "services/TranscriptSearchIndex.h"
#include "services/TranscriptStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int transcriptCount = 2000;
constexpr qsizetype bodyBytes = 50'000;

double millisecondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Speaker turns of meeting talk, a few words with accents, umlauts or Chinese characters.
QString generatedBody(std::mt19937& random) {
    static const QStringList words =
        QStringLiteral("we should look at the numbers for next quarter and then decide who owns the roadmap "
                       "budget review customer feedback release date hiring plan design sync action item "
                       "follow up yes no maybe I think that is right okay let me share my screen "
                       "café naïve Grüße Jörg façade résumé 会议 预算 客户 Zürich São Paulo")
            .split(QLatin1Char(' '));
    std::uniform_int_distribution<qsizetype> word(0, words.size() - 1);
    std::uniform_int_distribution<int> sentenceLength(8, 40);
    std::uniform_int_distribution<int> speaker(1, 4);
    QString body;
    int seconds = 0;
    while (body.size() < bodyBytes) {
        if (!body.isEmpty())
            body += QStringLiteral("\n\n");
        body += QStringLiteral("[%1:%2] Speaker %3\n")
                    .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                    .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                    .arg(speaker(random));
        const int length = sentenceLength(random);
        for (int i = 0; i < length; ++i)
            body += (i ? QStringLiteral(" ") : QString()) + words.at(word(random));
        body += QLatin1Char('.');
        seconds += 7;
    }
    return body;
}

void generate(const QString& root) {
    std::mt19937 random(42);
    const QDir transcripts(QDir(root).filePath(QStringLiteral("Transcripts")));
    transcripts.mkpath(QStringLiteral("."));
    for (int i = 0; i < transcriptCount; ++i) {
        TranscriptDocument document;
        document.recordingFolderPath =
            QStringLiteral("/Users/me/Zoom/2025-03-%1 Meeting %2").arg(i % 28 + 1).arg(i);
        document.title = QStringLiteral("2025-03-%1 Meeting %2").arg(i % 28 + 1).arg(i);
        document.createdAt = QDateTime(QDate(2025, 3, 1), QTime(9, 0), Qt::UTC).addSecs(i * 3600);
        document.updatedAt = document.createdAt.addSecs(600);
        document.body = generatedBody(random);
        FileAccess::writeAtomically(
            transcripts.filePath(document.title + QStringLiteral("-0123456789ab.tallybrook.json")),
            TranscriptStore::encode(document));
    }
}

qint64 readEveryFile(const QStringList& files) {
    qint64 total = 0;
    for (const QString& file : files)
        total += FileAccess::readAll(file).size();
    return total;
}

double grepMilliseconds(const QString& query, const QString& folder) {
    return millisecondsOf([&] {
        QProcess grep;
        grep.start(QStringLiteral("grep"), {QStringLiteral("-F"), QStringLiteral("-i"), QStringLiteral("-l"),
                                            QStringLiteral("-r"), QStringLiteral("--"), query, folder});
        grep.waitForFinished(-1);
    });
}

// Types the phrase one character at a time; per keystroke the median of a few runs.
void searchPerKeystroke(const TranscriptStore& store, const QString& phrase, const QString& folder) {
    std::printf("\nsearch per keystroke for \"%s\" (ms; hits; grep -F -i -l -r ms)\n", qPrintable(phrase));
    for (qsizetype length = 1; length <= phrase.size(); ++length) {
        const QString query = phrase.left(length);
        if (query.endsWith(QLatin1Char(' ')))
            continue;
        size_t hits = 0;
        std::vector<double> runs;
        for (int run = 0; run < 5; ++run)
            runs.push_back(millisecondsOf([&] { hits = store.searchTranscripts(query).size(); }));
        std::printf("  %-28s %8.1f  %5zu  %8.1f\n", qPrintable(QLatin1Char('"') + query + QLatin1Char('"')),
                    median(runs), hits, grepMilliseconds(query, folder));
    }
}

// A restart is a new process, so each restart figure is taken in a fresh child process: neither
// the listing nor its baseline inherits memory the other freed.
double restartMilliseconds(const QString& mode, const QString& root) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {mode, root});
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed().toDouble();
}

int timeInThisProcess(const QString& mode, const QString& root) {
    double milliseconds = 0;
    if (mode == QStringLiteral("--time-cache-read")) {
        const QString cacheFile = QDir(root).filePath(TranscriptSearchIndex::cacheFileName());
        milliseconds = millisecondsOf([&] { FileAccess::readAll(cacheFile); });
    } else {
        const TranscriptStore restarted(root);
        milliseconds = millisecondsOf([&] { restarted.indexedTranscripts(); });
    }
    std::printf("%.3f\n", milliseconds);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments[1].startsWith(QStringLiteral("--time-")))
        return timeInThisProcess(arguments[1], arguments[2]);
    // An optional folder keeps the generated storage for later runs, which reuse it.
    QTemporaryDir temporary;
    const QString root = arguments.size() > 1 ? arguments[1] : temporary.filePath(QStringLiteral("storage"));
    if (!QDir(root).exists(QStringLiteral("Transcripts"))) {
        std::printf("generating %d transcripts of about %lld characters...\n", transcriptCount,
                    static_cast<long long>(bodyBytes));
        generate(root);
    }
    QFile::remove(QDir(root).filePath(TranscriptSearchIndex::cacheFileName()));

    const TranscriptStore cold(root);
    const QStringList files = cold.storedTranscriptURLs();
    qint64 totalBytes = 0;
    readEveryFile(files); // warm the page cache so that every figure reads from memory
    const double readFiles = millisecondsOf([&] { totalBytes = readEveryFile(files); });
    const double firstListing = millisecondsOf([&] { cold.indexedTranscripts(); });
    const qint64 cacheBytes = QFileInfo(QDir(root).filePath(TranscriptSearchIndex::cacheFileName())).size();
    std::vector<double> cacheReads;
    std::vector<double> cachedListings;
    for (int round = 0; round < 5; ++round) {
        cacheReads.push_back(restartMilliseconds(QStringLiteral("--time-cache-read"), root));
        cachedListings.push_back(restartMilliseconds(QStringLiteral("--time-listing"), root));
    }
    const double readCache = median(cacheReads);
    const double cachedListing = median(cachedListings);

    std::printf("\n%d files, %.1f MB; cache file %.1f MB\n", static_cast<int>(files.size()), totalBytes / 1e6,
                cacheBytes / 1e6);
    std::printf("read every transcript file once      %9.1f ms\n", readFiles);
    std::printf("first listing, no cache file         %9.1f ms  (%.2fx reading the files)\n", firstListing,
                firstListing / readFiles);
    std::printf("after a restart (fresh processes, median of 5):\n");
    std::printf("read the cache file once             %9.1f ms\n", readCache);
    std::printf("first listing, valid cache           %9.1f ms  (%.2fx reading the cache file)\n",
                cachedListing, cachedListing / readCache);

    const TranscriptStore restarted(root);
    std::printf("%zu transcripts listed\n", restarted.indexedTranscripts().size());
    const QString folder = QDir(root).filePath(QStringLiteral("Transcripts"));
    searchPerKeystroke(restarted, QStringLiteral("budget"), folder);
    searchPerKeystroke(restarted, QStringLiteral("quarterly budget for zürich"), folder);
    searchPerKeystroke(restarted, QStringLiteral("the roadmap budget review"), folder);
    return 0;
}
