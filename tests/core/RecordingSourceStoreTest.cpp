#include "services/RecordingSourceStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RecordingSourceStoreTest : public ::testing::Test {
protected:
    QTemporaryDir m_folder;
    QSettings m_settings{m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    RecordingSourceStore m_store{m_settings};
};

} // namespace

TEST_F(RecordingSourceStoreTest, StartsEmpty) {
    EXPECT_TRUE(m_store.folderPaths().isEmpty());
}

TEST_F(RecordingSourceStoreTest, StoresStandardizedUniquePathsInCodePointOrder) {
    for (const char* path : {"/b/x", "/a/y", "/a/./y/", "/B", "/a/y"})
        m_store.add(QString::fromUtf8(path));
    EXPECT_EQ(m_store.folderPaths(),
              (QStringList{QStringLiteral("/B"), QStringLiteral("/a/y"), QStringLiteral("/b/x")}));
}

TEST_F(RecordingSourceStoreTest, SurvivesARestartAndForgetsAll) {
    m_store.add(QStringLiteral("/Zoom/Ünïcode: 1"));
    QSettings reopened(m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    EXPECT_EQ(RecordingSourceStore(reopened).folderPaths(), QStringList{QStringLiteral("/Zoom/Ünïcode: 1")});
    m_store.removeAll();
    EXPECT_FALSE(m_settings.contains(RecordingSourceStore::settingsKey()));
}
