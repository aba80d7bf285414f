#include "app/DamageNotice.h"

#include "gui/RestoreBackupDialog.h"

#include <QCoreApplication>
#include <QDir>

QString damageNotice(const StoreRecovery::Damage& damage, const QString& storePath)
{
    QString text = QCoreApplication::translate("DamageNotice", "付箋の保存ファイルが壊れています。\n") + damage.detail +
                   QCoreApplication::translate("DamageNotice", "\n保存先: ") + QDir::toNativeSeparators(storePath);
    if (damage.copyPath.isEmpty())
        text += QCoreApplication::translate("DamageNotice", "\n壊れたファイルの写しを作れませんでした: ") +
                damage.copyError;
    else
        text += QCoreApplication::translate("DamageNotice", "\n壊れたファイルの写し: ") +
                QDir::toNativeSeparators(damage.copyPath);
    if (damage.newestUsable)
        text +=
            QCoreApplication::translate("DamageNotice", "\nいちばん新しい正常なバックアップ: ") +
            RestoreBackupDialog::captionOf(damage.newestUsable->copy) +
            QCoreApplication::translate("DamageNotice", "（トレイのメニューの「バックアップから戻す...」で戻せます）");
    else
        text += QCoreApplication::translate("DamageNotice", "\n正常なバックアップはありません。");
    return text;
}
