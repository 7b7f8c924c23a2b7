#pragma once
// The console as the web server's calls see it: each call runs a command of the console's
// model, as the console's own control does, and the data are built from the broadcast at most
// once a reading.

#include "core/app/broadcast.h"
#include "core/app/consoleapi.h"
#include "core/messages/recentmessages.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class TFormMain;

class TConsoleControl : public TWebControl {
  public:
    TConsoleControl(TFormMain& console, TConsoleModel& model, TBroadcast& live);
    ~TConsoleControl() override;

    TApiRoute Route(const TRequestHead& head, std::string_view body, const TWebAccess& access,
                    bool fromThisPC) const override;
    TBodyLength BodyLength(const TRequestHead& head) const override;
    TWebAnswer Run(const TApiRequest& request, const std::string& ifNoneMatch) override;
    std::string Describe(const TApiRequest& request, const std::string& peer) const override;
    std::string StateJson() const override;
    int Subscribe(std::function<void()> listener) override;
    void Unsubscribe(int id) override;

    TWebData Data(const std::string& name) override;
    int SubscribeData(std::function<void()> listener) override;
    void UnsubscribeData(int id) override;

    /// A reading was applied (`result` gave these messages): the data are built anew when next
    /// asked for.
    void ReadingApplied(const TReadingResult& result);

  private:
    TFormMain& Console;
    TConsoleModel& Model;
    TBroadcast& Live;
    TRecentMessages Messages;
    /// Counts the readings that changed what the data are built from; with the model's name
    /// revision and RunId, the data's versions.
    unsigned long long Changes = 0;
    std::string RunId;
    std::map<std::string, TWebData> Built;
    std::map<int, std::function<void()>> DataListeners;
    int NextDataListener = 0;
    int ModelListener = 0;
    unsigned long long NamesSeen = 0;
    void DataMayHaveChanged();
};
