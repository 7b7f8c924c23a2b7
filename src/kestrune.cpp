// The program: the console, the standings tower and the message ticker. It reads no command
// line; everything comes from the configuration file and the live folder.

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/platform/numbers.h"
#include "ui/app/mainform.h"
#include "ui/app/qtsoakreport.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtsignals.h"

#include <QApplication>
#include <QTimer>

#include <clocale>

int main(int argc, char** argv) {
    // A scrolling ranking strip repaints one column a hundred times a second. Through X shared
    // memory each of those paints first waits for the server to have read the one before (a
    // round trip); sending the column over the connection costs a fifth less CPU. Only Qt's X11
    // platform reads this; a value the user set is kept.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    QApplication app(argc, argv);
    // Qt has set the user's locale: keep its decimal separator for live-file numbers.
    UserDecimalSeparator();
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string configPath = ConfigFileName();
    const TConfigLoad load = LoadConfig(configPath);
    TBroadcast broadcast;
    TFormMain main(configPath, load, broadcast);
    // The tower follows the console's settings as they change (the class view).
    TFormStats1 stats(TTowerSources{broadcast.Players, main.Config()});
    TFormMsg1 msg(TTickerSources{broadcast.EventQueue, broadcast.RankingList, broadcast.Players});
    main.SetBroadcastWindows(&stats, &msg);
    main.show();
    CloseOnTerminationSignals(&main, [&main] { main.CloseFromSignal(); });
    SaveOnSessionEnd(&main, [&main] { main.SaveForSessionEnd(); });
    TSoakReport soakReport(main);
    msg.show();
    // The first moment the event loop has nothing to do: place and show the broadcast windows.
    QTimer::singleShot(0, &main, [&main] { main.ApplicationEvents1Idle(); });
    return app.exec();
}
