// The floor for the idle benchmark: a Qt program with one small frameless window and a
// one-second timer that asks for the cursor's place, as the palette's hot corners must. What
// the window system and the event loop cost at rest, with none of the program's own work.
#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 271, 71);
    window.show();
    QPoint last;
    QTimer timer;
    timer.setInterval(1000);
    QObject::connect(&timer, &QTimer::timeout, [&] { last = QCursor::pos(); });
    timer.start();
    return app.exec();
}
