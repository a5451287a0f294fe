#include <QApplication>
#include <QQuickWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QQuickWidget view;
    view.setSource(QUrl(QStringLiteral("qrc:/qml/Main.qml")));
    view.show();
    return app.exec();
}
