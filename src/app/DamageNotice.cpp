#include "app/DamageNotice.h"

#include "gui/RestoreBackupDialog.h"

#include <QDir>

QString damageNotice(const StoreRecovery::Damage& damage, const QString& storePath)
{
    QString text = QStringLiteral("付箋の保存ファイルが壊れています。\n") + damage.detail +
                   QStringLiteral("\n保存先: ") + QDir::toNativeSeparators(storePath);
    if (damage.copyPath.isEmpty())
        text += QStringLiteral("\n壊れたファイルの写しを作れませんでした: ") + damage.copyError;
    else
        text += QStringLiteral("\n壊れたファイルの写し: ") + QDir::toNativeSeparators(damage.copyPath);
    if (damage.newestUsable)
        text += QStringLiteral("\nいちばん新しい正常なバックアップ: ") +
                RestoreBackupDialog::captionOf(damage.newestUsable->copy) +
                QStringLiteral("（トレイのメニューの「バックアップから戻す...」で戻せます）");
    else
        text += QStringLiteral("\n正常なバックアップはありません。");
    return text;
}
