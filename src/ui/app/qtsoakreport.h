#pragma once
// For long unattended runs: when KESTRUNE_SOAK_REPORT names a file, the program rewrites it
// every second with its counters, so a soak script can see that reloads keep happening.

#include <QObject>
#include <QString>
#include <QTimer>

class TFormMain;

class TSoakReport : public QObject {
    Q_OBJECT
  public:
    /// Starts reporting when the environment asks for it; otherwise does nothing.
    explicit TSoakReport(const TFormMain& main);

  private:
    void Write();

    const TFormMain& Main;
    QString Path;
    QTimer Timer;
};
