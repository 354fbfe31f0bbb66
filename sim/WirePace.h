#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>

// One direction of a serial line at 9600 baud, 8N1, as the wire paces it: a byte is there ten
// bits, 1.04 ms, after the one before it, however fast it was written. Bytes given while others
// are still on their way queue behind them.
class WirePace : public QObject {
    Q_OBJECT
public:
    static constexpr int Baud = 9600;
    static constexpr int BitsPerByte = 10; // start, eight data bits, stop
    static constexpr std::chrono::duration<double, std::milli> ByteTime{1000.0 * BitsPerByte /
                                                                        Baud};

    // How the far end takes what was written: each byte once it is there, or all that was
    // written at once when its last byte is.
    enum class Arrival { ByteByByte, Whole };

    WirePace(Arrival arrival, std::function<void(const QByteArray &)> deliver,
             QObject *parent = nullptr);

    void send(const QByteArray &bytes);

private:
    struct Due {
        QByteArray bytes;
        double atMs; // on `clock`, when the last of them is there
    };
    void deliverDue();
    void wake();

    const Arrival arrival;
    const std::function<void(const QByteArray &)> deliver;
    QElapsedTimer clock;
    QTimer timer;
    std::deque<Due> queue;
    double freeAtMs = 0; // when the wire has carried everything given so far
};
