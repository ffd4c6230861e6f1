// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for bench_first_paint and bench_memory: a Qt Widgets program that shows a bare window
// of the main window's size ("window"), the same window with a line of text in it ("text"), or
// only an icon in the tray ("tray"), and runs until it is told to end.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (QCoreApplication::arguments().value(1) == QStringLiteral("tray")) {
        QPixmap picture(22, 22);
        picture.fill(Qt::darkCyan);
        QSystemTrayIcon icon { QIcon(picture) };
        icon.show();
        return QApplication::exec();
    }
    QWidget window;
    window.resize(1018, 550);
    if (QCoreApplication::arguments().value(1) == QStringLiteral("text"))
        (new QLabel(QStringLiteral("A line of text, drawn as any window draws it."), &window))->move(20, 20);
    window.show();
    return QApplication::exec();
}
