#pragma once

#include "app/Application.h"
#include "gui/ErrorReport.h"
#include "gui/NoteRegistry.h"
#include "gui/NoteWindow.h"
#include "gui/Palette.h"
#include "gui/Tray.h"

#include "FakeDesktop.h"
#include "StoreFixture.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <memory>

// Polls the event loop until the condition holds, for at most five seconds.
#define EXPECT_EVENTUALLY(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition
#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition

// Each row of a list, its cells joined by "|".
inline QStringList rowTexts(const QTreeWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells << item->text(column);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// What a user sees of a window's controls, at its size and when made larger: each lies within
// the window, shows its whole caption, and covers no other; a list's column titles fit.
inline void expectTidyControls(QWidget* window, const QList<QSize>& sizes)
{
    // The controls a user sees as one: not the parts inside a list, an edit or a spin box.
    const auto isPart = [window](const QWidget* w) {
        for (const QWidget* up = w->parentWidget(); up && up != window; up = up->parentWidget())
            if (qobject_cast<const QAbstractScrollArea*>(up) || qobject_cast<const QAbstractSpinBox*>(up))
                return true;
        return false;
    };
    const auto placeOf = [window](const QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
    for (const QSize size : sizes) {
        window->resize(size);
        QList<QWidget*> controls;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QLabel*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                                 qobject_cast<QAbstractSpinBox*>(w);
            if (control && w->isVisibleTo(window) && !isPart(w))
                controls << w;
        }
        for (QWidget* w : controls) {
            const char* name = qPrintable(w->objectName());
            EXPECT_TRUE(window->rect().contains(placeOf(w))) << name << " at width " << size.width();
            if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                EXPECT_GE(w->width(), button->fontMetrics().horizontalAdvance(button->text())) << name;
            }
            for (QWidget* other : controls) {
                if (other != w && !w->isAncestorOf(other) && !other->isAncestorOf(w)) {
                    EXPECT_FALSE(placeOf(w).intersects(placeOf(other)))
                        << name << " covers " << qPrintable(other->objectName());
                }
            }
            auto* tree = qobject_cast<QTreeWidget*>(w);
            for (int i = 0; tree && i + 1 < tree->columnCount(); ++i) {
                EXPECT_GE(tree->columnWidth(i), tree->fontMetrics().horizontalAdvance(tree->headerItem()->text(i)))
                    << qPrintable(tree->headerItem()->text(i));
            }
        }
    }
}

// A store for windows: a fake desktop, and a recorder in place of the error report's box, for
// the program and for windows built alone.
class WindowFixture : public StoreFixture {
protected:
    ~WindowFixture() override { app.reset(); }

    // The program on this store, with its tick stopped: each test ticks by hand.
    void start()
    {
        app.reset();
        app = std::make_unique<Application>(desktop, store, record);
        app->tickTimer().stop();
    }
    // Started, and the first tick behind it: the notes that were open are back.
    void startAndRestore()
    {
        start();
        app->tick();
    }

    FakeDesktop desktop;
    QStringList reports;
    const ErrorReport::Show record = [this](const QString& text) { reports << text; };
    ErrorReport report{record};
    std::unique_ptr<Application> app;
};
