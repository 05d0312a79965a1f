// The anchor for start-up and memory figures: the smallest Qt 6 Widgets program with one button.
#include <QApplication>
#include <QPushButton>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QPushButton button("Button");
    button.show();
    return app.exec();
}
