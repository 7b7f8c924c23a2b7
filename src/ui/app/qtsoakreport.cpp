#include "ui/app/qtsoakreport.h"

#include "ui/app/mainform.h"

#include <QSaveFile>

TSoakReport::TSoakReport(const TFormMain& main) : Main(main) {
    Path = qEnvironmentVariable("KESTRUNE_SOAK_REPORT");
    if (Path.isEmpty()) {
        return;
    }
    connect(&Timer, &QTimer::timeout, this, &TSoakReport::Write);
    Timer.start(1000);
}

void TSoakReport::Write() {
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    file.write(QString("reloads %1\nlog_lines %2\n")
                   .arg(Main.ReloadsHandled())
                   .arg(Main.LogLineCount())
                   .toUtf8());
    file.commit();
}
