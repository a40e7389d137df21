// startup_baseline: the least a Qt Widgets program does before its window is
// on screen, an empty window of the main window's size. The start-up
// benchmark measures it beside Quarrimax in the same run.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setObjectName(QStringLiteral("baseline"));
    window.setFixedSize(258, 112);
    window.show();
    return QApplication::exec();
}
