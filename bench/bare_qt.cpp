// The baseline for the program's idle CPU, scrolling CPU and memory: a bare Qt program with
// three small windows and a one-second timer, optionally scrolling one window a pixel every
// 10 ms the way the ticker does.

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstring>

namespace {

class TStripe : public QWidget {
  public:
    TStripe() {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        resize(569, 77);
    }
    int Column = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), (Column / 40) % 2 ? Qt::white : Qt::black);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool scroll = argc > 1 && std::strcmp(argv[1], "scroll") == 0;
    QWidget main;
    main.resize(538, 261);
    main.show();
    QWidget tower;
    tower.resize(159, 476);
    tower.show();
    TStripe ticker;
    ticker.show();
    QTimer second;
    QObject::connect(&second, &QTimer::timeout, [] {});
    second.start(1000);
    QTimer tick;
    if (scroll) {
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&ticker] {
            ++ticker.Column;
            ticker.scroll(-1, 0);
        });
        tick.start(10);
    }
    return app.exec();
}
