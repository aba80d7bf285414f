#include "gui/UnsavedMark.h"

UnsavedMark::UnsavedMark(const QWidget& strip, QWidget* note) : QLabel(tr("未保存"), note), m_strip(strip)
{
    setObjectName(QStringLiteral("unsavedMark"));
    QPalette red = palette();
    red.setColor(QPalette::WindowText, QColor(192, 0, 0));
    setPalette(red);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    adjustSize();
}

void UnsavedMark::showState(bool failed, const QString& error)
{
    setToolTip(error.isEmpty() ? QString() : tr("保存できていません: ") + error);
    setVisible(failed);
    place();
}

void UnsavedMark::place()
{
    const QRect strip = m_strip.geometry();
    move(strip.right() - width() + 1, strip.bottom() - height() + 1);
    raise();
}
