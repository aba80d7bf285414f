#include "gui/RestoreBackupDialog.h"

#include "TestSupport.h"

#include <QDir>

using RestoreBackupDialogTest = StoreFixture;

TEST_F(RestoreBackupDialogTest, ListsAtOnceAndChoosesTheNewestUsableCopyNeverAnEmptyOne)
{
    prepare();
    addOpenNote(QStringLiteral("kept"));
    const QDir backups(dir.filePath(QStringLiteral("backup")));
    for (const int day : {6, 5})
        ASSERT_TRUE(backUp(dbPath(), backups.filePath(backupFileName(QDate(2026, 12, day)))));
    // The newest, left with no bytes by a copy cut short.
    ASSERT_TRUE(QFile(backups.filePath(backupFileName(QDate(2026, 12, 7)))).open(QIODevice::WriteOnly));

    RestoreBackupDialog dialog(StoreRecovery(dbPath()).backups());
    const auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("backupList"));
    EXPECT_EQ(rowTexts(list), (QStringList{QStringLiteral("2026/12/07|…|"), QStringLiteral("2026/12/06|…|"),
                                           QStringLiteral("2026/12/05|…|")}));
    EXPECT_TRUE(list->selectedItems().isEmpty());
    const QStringList checked = {QStringLiteral("2026/12/07|?|ファイルが空です"), QStringLiteral("2026/12/06|1 枚|"),
                                 QStringLiteral("2026/12/05|1 枚|")};
    ASSERT_EVENTUALLY(rowTexts(list) == checked);
    EXPECT_FALSE(list->topLevelItem(0)->flags() & Qt::ItemIsEnabled);
    EXPECT_EQ(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(1)});
}
