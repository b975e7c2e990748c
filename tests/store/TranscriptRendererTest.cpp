#include "StoreFixtures.h"

#include "platform/FileAccess.h"
#include "services/TranscriptRenderer.h"
#include "support/FixtureFiles.h"

#include <QFileInfo>

namespace {

const char* const pageStart = R"(<!doctype html>
<html lang="%1">
<head>
  <meta charset="utf-8">
  <meta name="viewport" content="width=device-width, initial-scale=1">
  <title>%2</title>
  <style>
    body {
      margin: 48px auto; max-width: 860px; padding: 0 24px;
      font: 16px/1.55 -apple-system, BlinkMacSystemFont, "SF Pro Text", sans-serif;
      color: #171717; background: #fbfbfa;
    }
    h1 { font-size: 28px; line-height: 1.2; margin: 0 0 8px; }
    .path { color: #6b6b6b; font-size: 13px; margin-bottom: 32px; word-break: break-all; }
    h2 { font-size: 15px; line-height: 1.3; margin: 26px 0 8px; color: #0b4f71; }
    time { color: #737373; font-weight: 500; margin-right: 8px; }
    p { margin: 0 0 12px; }
  </style>
</head>
<body>
  <h1>%2</h1>
  <div class="path">%3</div>
)";

QString page(const QString& lang, const QString& title, const QString& path, const QString& body) {
    return QString::fromUtf8(pageStart).arg(lang, title, path) + body + QStringLiteral("\n</body>\n</html>");
}

TranscriptDocument sample() {
    TranscriptDocument result = document(QStringLiteral("/Users/a/Q&A \"1\""), {});
    result.title = QStringLiteral("Q<1> & 'Plan'");
    result.body =
        QStringLiteral("## Agenda\n[00:05] Speaker 1 & Speaker 2\nFirst line.\n  Second <line>.  \n\n"
                       "[75:03]   Jörg\n[00:05.2] Alice");
    return result;
}

} // namespace

TEST(TranscriptRenderer, HtmlPageIsExactWithEscapedTitlePathAndBody) {
    const QString body = QStringLiteral("  <h2>Agenda</h2>\n"
                                        "  <h2><time>00:05</time>Speaker 1 &amp; Speaker 2</h2>\n"
                                        "  <p>First line.</p>\n"
                                        "  <p>Second &lt;line&gt;.</p>\n"
                                        "\n"
                                        "  <h2><time>75:03</time>Jörg</h2>\n"
                                        "  <p>[00:05.2] Alice</p>");
    EXPECT_EQ(TranscriptStore::html(sample()),
              page(QStringLiteral("en"), QStringLiteral("Q&lt;1&gt; &amp; &#39;Plan&#39;"),
                   QStringLiteral("/Users/a/Q&amp;A &quot;1&quot;"), body));
}

TEST(TranscriptRenderer, HtmlOfAnEmptyBodyHasOneEmptyLine) {
    TranscriptDocument empty = document(QStringLiteral("/m/x"), {});
    empty.title = QStringLiteral("x");
    EXPECT_EQ(TranscriptStore::html(empty),
              page(QStringLiteral("en"), QStringLiteral("x"), QStringLiteral("/m/x"), {}));
    EXPECT_TRUE(TranscriptStore::html(empty).contains(QStringLiteral("</div>\n\n</body>")));
}

TEST(TranscriptRenderer, HtmlLanguageComesFromTheMetadata) {
    TranscriptDocument withMetadata = document(QStringLiteral("/m/x"), QStringLiteral("b"));
    const struct {
        TranscriptionLanguage requested;
        std::optional<QString> detected;
        QString lang;
    } cases[] = {
        {TranscriptionLanguage::english, QStringLiteral("de"), QStringLiteral("de")},
        {TranscriptionLanguage::chinese, std::nullopt, QStringLiteral("zh")},
        {TranscriptionLanguage::autoDetect, std::nullopt, QStringLiteral("en")},
        {TranscriptionLanguage::english, QStringLiteral("\"><script>"),
         QStringLiteral("&quot;&gt;&lt;script&gt;")},
    };
    for (const auto& c : cases) {
        withMetadata.transcriptionMetadata = TranscriptMetadata{
            c.requested, c.detected, QStringLiteral("transcribe"), WhisperModel::multilingualQuality};
        EXPECT_TRUE(
            TranscriptStore::html(withMetadata).contains(QStringLiteral("<html lang=\"%1\">").arg(c.lang)))
            << qPrintable(c.lang);
    }
}

TEST(TranscriptRenderer, EscapesAmpersandFirst) {
    EXPECT_EQ(TranscriptStore::htmlEscaped(QStringLiteral("&lt; <a href=\"x\">'</a>")),
              QStringLiteral("&amp;lt; &lt;a href=&quot;x&quot;&gt;&#39;&lt;/a&gt;"));
}

TEST(TranscriptRenderer, MarkdownIsTheBodyAndPlainTextDropsHeadingMarks) {
    const TranscriptDocument doc = document(
        QStringLiteral("/m/x"), QStringLiteral("## Agenda\n[00:05] Speaker 1\nIssue # 5 and ## more\n"));
    EXPECT_EQ(TranscriptRenderer::markdown(doc), doc.body);
    EXPECT_EQ(TranscriptRenderer::plainText(doc),
              QStringLiteral("Agenda\n[00:05] Speaker 1\nIssue 5 and more\n"));
}

TEST_F(StoreTest, ExportWritesUtf8WithoutBomAndReplaces) {
    const TranscriptDocument doc = document(QStringLiteral("/m/Jörg"), QStringLiteral("Grüße\n## x"));
    const QString target = m_folder.filePath(QStringLiteral("out.md"));
    FixtureFiles::write(target, "previous content that is longer");
    m_store.exportTranscript(doc, TranscriptExportFormat::markdown, target);
    EXPECT_EQ(FileAccess::readAll(target), doc.body.toUtf8());
    m_store.exportTranscript(doc, TranscriptExportFormat::plainText, target);
    EXPECT_EQ(FileAccess::readAll(target), QByteArray("Grüße\nx"));
    EXPECT_THROW(m_store.exportTranscript(doc, TranscriptExportFormat::html,
                                          m_folder.filePath(QStringLiteral("no/such/f"))),
                 PlatformError);
}

TEST_F(StoreTest, SharingTwiceMakesTwoTemporaryFoldersNamedAfterTheSanitizedTitle) {
    TranscriptDocument doc = document(QStringLiteral("/m/x"), QStringLiteral("b"));
    doc.title = QStringLiteral("Plan: a/b");
    const QString first = m_store.temporaryExportURL(doc, TranscriptExportFormat::html);
    const QString second = m_store.temporaryExportURL(doc, TranscriptExportFormat::html);
    EXPECT_NE(QFileInfo(first).path(), QFileInfo(second).path());
    for (const QString& location : {first, second}) {
        EXPECT_EQ(QFileInfo(location).fileName(), QStringLiteral("Plan- a-b.html"));
        const QString folder = QFileInfo(location).dir().dirName();
        EXPECT_EQ(folder.size(), 36);
        EXPECT_EQ(folder, folder.toUpper());
        EXPECT_EQ(QFileInfo(QFileInfo(location).path()).path(),
                  QDir::tempPath() + QStringLiteral("/Tallybrook"));
        EXPECT_EQ(FileAccess::readAll(location), TranscriptStore::html(doc).toUtf8());
    }
}
