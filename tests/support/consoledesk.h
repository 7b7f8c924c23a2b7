#pragma once
// The console with its tower and ticker, offscreen, built as the program builds them and ended
// in the program's order (the ticker, the tower, then the console), for the window tests.

#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "ui/app/mainform.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"

#include <QString>

#include <memory>
#include <string>

struct TConsoleDesk {
    /// Reads the configuration at `ini` (the caller has written it) for a console fed into
    /// `live`; the windows are not shown yet.
    TConsoleDesk(const std::string& ini, TBroadcast& live);
    ~TConsoleDesk();

    /// Shows the console and runs its first idle step, which places and shows the windows.
    void Show();
    /// The Logs tab's text.
    QString LogText() const;

    TConfigLoad Load;
    std::unique_ptr<TFormMain> Main;
    std::unique_ptr<TFormStats1> Stats;
    std::unique_ptr<TFormMsg1> Msg;
};
