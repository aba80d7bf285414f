#include "gui/ReportList.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <climits>

namespace {

// Wraps each cell's text to its column and asks for the height of every line, so no cell is
// cut or elided. The tree view asks for row heights without a column width, hence the view.
class WholeTextDelegate : public QStyledItemDelegate {
public:
    explicit WholeTextDelegate(QTreeView* view) : QStyledItemDelegate(view), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem wrapped(option);
        wrapped.features |= QStyleOptionViewItem::WrapText;
        wrapped.rect = QRect(0, 0, m_view->columnWidth(index.column()), INT_MAX / 2);
        const QSize hint = QStyledItemDelegate::sizeHint(wrapped, index);
        return QSize(qMin(hint.width(), wrapped.rect.width()), hint.height());
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::WrapText;
        option->textElideMode = Qt::ElideNone;
        // A tall row reads from its first line, in every column.
        option->displayAlignment = Qt::AlignLeft | Qt::AlignTop;
    }

private:
    QTreeView* m_view;
};

} // namespace

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(true);
    setTextElideMode(Qt::ElideNone);
    setItemDelegate(new WholeTextDelegate(this));
    header()->setSectionsMovable(false);
    // A column added without a width gets 50 pixels, as in a report-view list control.
    header()->setDefaultSectionSize(50);
    // Row heights follow the column widths.
    connect(header(), &QHeaderView::sectionResized, this, [this] { scheduleDelayedItemsLayout(); });
}

void ReportList::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QTreeWidget::mousePressEvent(event);
}

void ReportList::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        Q_EMIT listClicked();
    }
}
