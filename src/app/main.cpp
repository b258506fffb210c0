#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Carotix"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Carotix"));
    auto* label = new QLabel(QStringLiteral("Carotix"), &window);
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(1024, 720);
    window.show();
    return app.exec();
}
