// The Web tab: the browser sources and the control API on or off, their port, this PC only or
// the network too, the addresses to copy, the tokens and the other names of this PC. A change takes
// effect at once and is saved with one replacement of the configuration file.

#include "ui/app/consolecontrol.h"
#include "ui/app/mainform.h"

#include "core/web/webaccess.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtsupport.h"
#include "ui/web/webservice.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

namespace {

/// The port offered when the server is first turned on.
constexpr int SuggestedWebPort = 8787;

/// Whether an address serves other PCs: anything but this PC's own loopback.
bool ServesNetwork(const std::string& address) {
    return !address.empty() && address != "127.0.0.1" && address != "localhost" && address != "::1";
}

QLineEdit* AddCopyLine(QWidget* page, const char* name, const char* caption, int top) {
    auto* label = new QLabel(caption, page);
    label->move(8, top + 3);
    auto* edit = new QLineEdit(page);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setGeometry(96, top, 300, 21);
    auto* copy = new QPushButton("Copy", page);
    copy->setObjectName(QString(name) + "Copy");
    copy->setGeometry(400, top, 50, 21);
    QObject::connect(copy, &QPushButton::clicked, edit,
                     [edit] { QGuiApplication::clipboard()->setText(edit->text()); });
    return edit;
}

/// Shows `text` from its start; left alone when unchanged, so a selection made for copying
/// survives the refresh every second.
void ShowAddress(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
        edit->setCursorPosition(0);
    }
}

} // namespace

void TFormMain::BuildWebTab() {
    auto* page = new QWidget;
    PageControl->addTab(page, "Web");
    CheckWebOn = new QCheckBox("&Browser sources and control", page);
    CheckWebOn->setObjectName("CheckWebOn");
    CheckWebOn->move(8, 6);
    auto* portLabel = new QLabel("Port", page);
    portLabel->move(214, 9);
    SpinWebPort = new QSpinBox(page);
    SpinWebPort->setObjectName("SpinWebPort");
    SpinWebPort->setRange(1, 65535);
    SpinWebPort->setGeometry(244, 6, 70, 21);
    CheckWebNetwork = new QCheckBox("Other PCs too", page);
    CheckWebNetwork->setObjectName("CheckWebNetwork");
    CheckWebNetwork->move(330, 6);
    EditWebTower = AddCopyLine(page, "EditWebTower", "Tower", 34);
    EditWebTicker = AddCopyLine(page, "EditWebTicker", "Ticker", 58);
    EditWebData = AddCopyLine(page, "EditWebData", "Standings", 82);
    EditWebToken = AddCopyLine(page, "EditWebToken", "Control token", 106);
    auto* renew = new QPushButton("New", page);
    renew->setObjectName("ButtonWebTokenNew");
    renew->setGeometry(454, 106, 40, 21);
    EditWebReadToken = AddCopyLine(page, "EditWebReadToken", "Read token", 130);
    auto* renewRead = new QPushButton("New", page);
    renewRead->setObjectName("ButtonWebReadTokenNew");
    renewRead->setGeometry(454, 130, 40, 21);
    auto* hostsLabel = new QLabel("Other names", page);
    hostsLabel->move(8, 157);
    EditWebHosts = new QLineEdit(page);
    EditWebHosts->setObjectName("EditWebHosts");
    EditWebHosts->setGeometry(96, 154, 300, 21);
    EditWebHosts->setPlaceholderText("names other PCs reach this one by: studio-pc.lan, ...");
    LabelWebClients = new QLabel(page);
    LabelWebClients->setObjectName("LabelWebClients");
    LabelWebClients->setGeometry(8, 180, 520, 18);

    const TKestruneConfig& c = KestruneConfig;
    CheckWebOn->setChecked(c.WebPort != 0);
    SpinWebPort->setValue(c.WebPort != 0 ? c.WebPort : SuggestedWebPort);
    CheckWebNetwork->setChecked(ServesNetwork(c.WebAddress));
    EditWebHosts->setText(ToQString(c.WebHosts));
    connect(CheckWebOn, &QCheckBox::toggled, this, &TFormMain::ApplyWebTab);
    connect(CheckWebNetwork, &QCheckBox::toggled, this, &TFormMain::ApplyWebTab);
    connect(SpinWebPort, &QSpinBox::editingFinished, this, [this] {
        if (CheckWebOn->isChecked() && SpinWebPort->value() != KestruneConfig.WebPort) {
            ApplyWebTab();
        }
    });
    connect(renew, &QPushButton::clicked, this, [this] {
        KestruneConfig.WebToken = NewWebToken();
        ApplyWebTab();
        AddLog("Web server: a new control token was made; control surfaces need it from now on");
    });
    connect(renewRead, &QPushButton::clicked, this, [this] {
        KestruneConfig.WebReadToken = NewWebToken();
        ApplyWebTab();
        AddLog("Web server: a new read token was made; other PCs' pages need the new addresses");
    });
    connect(EditWebHosts, &QLineEdit::editingFinished, this, [this] {
        const std::string hosts = ToBytes(EditWebHosts->text());
        if (hosts != KestruneConfig.WebHosts) {
            KestruneConfig.WebHosts = hosts;
            ApplyWebTab();
        }
    });
    auto* counts = new QTimer(this);
    connect(counts, &QTimer::timeout, this, &TFormMain::ShowWebState);
    counts->start(1000);
    ShowWebState();
}

void TFormMain::ApplyWebTab() {
    TKestruneConfig& c = KestruneConfig;
    c.WebPort = CheckWebOn->isChecked() ? SpinWebPort->value() : 0;
    if (CheckWebNetwork->isChecked() != ServesNetwork(c.WebAddress)) {
        // A LAN address set in the file is kept while the network stays on.
        c.WebAddress = CheckWebNetwork->isChecked() ? "0.0.0.0" : "";
    }
    RestartWebServer();
    try {
        SaveConfigValues(ConfigFile, {{"WebPort", std::to_string(c.WebPort)},
                                      {"WebAddress", c.WebAddress},
                                      {"WebHosts", c.WebHosts},
                                      {"WebToken", c.WebToken},
                                      {"WebReadToken", c.WebReadToken}});
        WebTokensUnsaved = false;
    } catch (const std::exception& e) {
        ShowError(ToQString(e.what()));
    }
}

void TFormMain::RestartWebServer() {
    // The old server lets go of its port before the new one listens.
    delete WebServer;
    if (Stats != nullptr && Msg != nullptr && WebControl != nullptr) {
        // The ticker owns it: it goes before either window it draws from.
        WebServer = StartWebService(
            *Stats, *Msg, WebControl.get(), WebSettings(),
            [this](const std::string& line) { AddLog(line); }, Msg);
    }
    ShowWebState();
}

void TFormMain::ShowWebState() {
    if (EditWebTower == nullptr) {
        return;
    }
    const TKestruneConfig& c = KestruneConfig;
    ShowAddress(EditWebToken, ToQString(c.WebToken));
    ShowAddress(EditWebReadToken, ToQString(c.WebReadToken));
    if (WebServer == nullptr) {
        for (QLineEdit* edit : {EditWebTower, EditWebTicker, EditWebData}) {
            edit->clear();
        }
        LabelWebClients->setText(c.WebPort == 0 ? "Off" : "Not serving: the Logs tab says why");
        return;
    }
    const QString base = WebServer->property("baseUrl").toString();
    const QString read =
        ServesNetwork(c.WebAddress) ? "token=" + ToQString(c.WebReadToken) : QString();
    const QString query = read.isEmpty() ? QString() : "?" + read;
    ShowAddress(EditWebTower, base + "/tower" + query);
    ShowAddress(EditWebTicker, base + "/ticker" + query);
    ShowAddress(EditWebData, base + "/data/standings.json" + query);
    if (!TokenProblem("WebToken", c.WebToken).empty()) {
        LabelWebClients->setText("Control is off: the control token is shorter than " +
                                 QString::number(MinTokenLength) + " characters (New makes one)");
        return;
    }
    LabelWebClients->setText(QStringLiteral("Pages open: %1   Control streams: %2   API: %3/api")
                                 .arg(WebServer->property("pageCount").toInt())
                                 .arg(WebServer->property("eventCount").toInt())
                                 .arg(base));
}
